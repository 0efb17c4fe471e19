#include "sample_mac/demo_mac.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>

#include "sample_mac/background_items_builder.h"
#include "sample_mac/bundle_components.h"
#include "sample_mac/macho_builder.h"
#include "sample_mac/plist_writer.h"
#include "sample_mac/receipts_builder.h"
#include "sample_mac/system_extensions_builder.h"

namespace corvane::testing {

namespace fs = std::filesystem;

namespace {

struct AppSpec {
  std::string name;
  std::string bundleIdentifier;
  std::string folder = "/Applications";   // below the root, or "~/Applications"
  std::optional<std::string> team;         // signed with this team when present
  std::vector<std::string> groups;         // application-groups entitlement
  bool signedExecutable = true;
  std::string version = "1.0";
};

class Builder {
 public:
  explicit Builder(const SampleMac& mac) : mac_(mac) {}

  DemoApp app(const AppSpec& spec) {
    std::string parent = spec.folder.rfind("~/", 0) == 0 ? mac_.user(spec.folder.substr(2)) : mac_.system(spec.folder);
    BundleInfo info;
    info.name = spec.name;
    info.bundleIdentifier = spec.bundleIdentifier;
    info.version = spec.version;
    std::string bundle = mac_.addApp(parent, info);
    if (spec.signedExecutable) {
      auto bytes = buildSignedMachO(spec.bundleIdentifier, spec.team, spec.groups);
      writeBytes(bundle + "/Contents/MacOS/" + spec.name, bytes);
    }
    apps_.push_back(DemoApp{spec.name, spec.bundleIdentifier, bundle});
    return apps_.back();
  }

  // Home-relative leftovers ("Library/Caches/x") and root-relative ones ("/Library/Caches/x").
  std::string path(const std::string& where) const {
    return where.rfind('/', 0) == 0 ? mac_.system(where) : mac_.user(where);
  }
  std::string file(const std::string& where, const std::string& contents = "data\n") const {
    return SampleMac::writeFile(path(where), contents);
  }
  std::string folder(const std::string& where, int files = 2) const {
    std::string dir = SampleMac::makeFolder(path(where));
    for (int i = 0; i < files; ++i) SampleMac::writeFile(dir + "/item" + std::to_string(i) + ".db", std::string(512, 'x'));
    return dir;
  }
  // A cache file of `bytes` written out in full (no holes), so the folder weighs what a used app's does.
  std::string weight(const std::string& where, std::size_t bytes) const {
    std::string data(bytes, '\0');
    for (std::size_t i = 0; i < bytes; ++i) data[i] = static_cast<char>('a' + (i * 7919) % 26);
    return SampleMac::writeFile(path(where), data);
  }
  std::string plist(const std::string& where, const PropertyList& value) const {
    return SampleMac::writeFile(path(where), writeXMLPlist(value));
  }
  // `program` is a path on the Mac, as launchd reads it.
  std::string launchJob(const std::string& where, const std::string& label, const std::string& program) const {
    PlistDictionary d{{"Label", label}, {"ProgramArguments", PlistArray{program}}, {"RunAtLoad", true}};
    return plist(where, d);
  }
  std::string container(const std::string& folderName, const std::string& owner) const {
    std::string dir = folder("Library/Containers/" + folderName, 1);
    PlistDictionary meta{{"MCMMetadataIdentifier", owner}, {"MCMMetadataUUID", folderName}};
    SampleMac::writeFile(dir + "/.com.apple.containermanagerd.metadata.plist", writeXMLPlist(meta));
    return dir;
  }
  std::string pluginBundle(const std::string& where, const std::string& identifier) const {
    if (where.ends_with(".framework")) return addFramework(path(where), identifier);
    std::string dir = SampleMac::makeFolder(path(where));
    PlistDictionary info{{"CFBundleIdentifier", identifier}, {"CFBundlePackageType", "BNDL"}};
    writeInfoPlist(dir, info, PlistFormat::xml);
    return dir;
  }

  const std::vector<DemoApp>& apps() const { return apps_; }

 private:
  static void writeBytes(const std::string& p, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    fs::permissions(p, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  }

  const SampleMac& mac_;
  std::vector<DemoApp> apps_;
};

constexpr const char* kNorthwindTeam = "NW4K7Q2P9X";
constexpr const char* kNorthwindShared = "NW4K7Q2P9X.com.northwind.shared";

void northwindSuite(Builder& b) {
  for (const char* app : {"Writer", "Sheets", "Slides"}) {
    std::string lower = app;
    for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string id = "com.northwind." + lower;
    b.app({std::string("Northwind ") + app, id, "/Applications/Northwind", kNorthwindTeam,
           {kNorthwindShared, std::string(kNorthwindTeam) + "." + id}});
    b.folder("Library/Caches/" + id, 3);
    if (lower == "writer") b.weight("Library/Caches/" + id + "/fsCachedData.bin", 2'400'000);
    b.file("Library/Preferences/" + id + ".plist");
    b.folder("Library/Containers/" + id, 2);
    b.folder("Library/Group Containers/" + std::string(kNorthwindTeam) + "." + id, 1);
    b.folder("Library/Saved Application State/" + id + ".savedState", 1);
    b.folder(std::string("Library/Application Support/Northwind ") + app, 2);
  }
  // Shared by the whole suite: declared by every app, so no single app may claim it.
  b.folder(std::string("Library/Group Containers/") + kNorthwindShared, 2);
  b.folder("Library/Application Support/Northwind", 2);
  b.launchJob("Library/LaunchAgents/com.northwind.writer.updater.plist", "com.northwind.writer.updater",
              "/Applications/Northwind/Northwind Writer.app/Contents/MacOS/updater");
}

void beaconVPN(Builder& b, const SampleMac& mac) {
  b.app({"Beacon VPN", "com.beaconvpn.client", "/Applications", "BV8R2M6T4L", {"BV8R2M6T4L.com.beaconvpn"}});
  b.folder("Library/Caches/com.beaconvpn.client", 2);
  b.weight("Library/Caches/com.beaconvpn.client/tunnel.cache", 1'200'000);
  b.file("Library/Preferences/com.beaconvpn.client.plist");
  b.folder("Library/Group Containers/BV8R2M6T4L.com.beaconvpn", 1);
  b.launchJob("Library/LaunchAgents/com.beaconvpn.client.agent.plist", "com.beaconvpn.client.agent",
              "/Applications/Beacon VPN.app/Contents/MacOS/Beacon VPN");
  b.launchJob("/Library/LaunchDaemons/com.beaconvpn.client.helper.plist", "com.beaconvpn.client.helper",
              "/Library/PrivilegedHelperTools/com.beaconvpn.client.helper");
  b.file("/Library/PrivilegedHelperTools/com.beaconvpn.client.helper", "#!/bin/sh\n");
  b.folder("/Library/Application Support/Beacon VPN", 1);
  SampleSystemExtension tunnel;
  tunnel.identifier = "com.beaconvpn.client.tunnel";
  tunnel.uniqueID = "5E3C1A2B-9D84-4F6E-A1B2-C3D4E5F60718";
  tunnel.state = "activated_enabled";
  tunnel.categories = {"com.apple.system_extension.network_extension"};
  tunnel.teamID = "BV8R2M6T4L";
  tunnel.bundlePath = "/Applications/Beacon VPN.app/Contents/Library/SystemExtensions/"
                      "com.beaconvpn.client.tunnel.systemextension";
  tunnel.appIdentifiers = {"com.beaconvpn.client"};
  tunnel.stagedBundleName = "com.beaconvpn.client.tunnel.systemextension";
  addSystemExtensions(mac, {tunnel});
  addReceipt(mac, "com.beaconvpn.client.pkg", "3.2.1", "/",
             {"Applications", "Applications/Beacon VPN.app", "Applications/Beacon VPN.app/Contents",
              "Applications/Beacon VPN.app/Contents/Info.plist", "Library", "Library/LaunchDaemons",
              "Library/LaunchDaemons/com.beaconvpn.client.helper.plist"});
}

void dropzone(Builder& b) {
  DemoApp app = b.app({"Dropzone Sync", "com.dropzone.sync", "/Applications", "DZ5N3P8K2W", {"DZ5N3P8K2W.com.dropzone.sync"}});
  addNestedBundle(app.path, kLoginItemsFolder, "Dropzone Launcher.app", "com.dropzone.sync.launcher");
  b.launchJob("Library/LaunchAgents/com.dropzone.sync.agent.plist", "com.dropzone.sync.agent",
              "/Applications/Dropzone Sync.app/Contents/MacOS/Dropzone Sync");
  b.folder("Library/Application Support/Dropzone Sync", 3);
  b.folder("Library/Application Support/Dropzone Sync/Accounts", 2);
  b.folder("Library/Group Containers/DZ5N3P8K2W.com.dropzone.sync", 2);
  b.folder("Library/Caches/com.dropzone.sync", 2);
  b.weight("Library/Caches/com.dropzone.sync/thumbnails.db", 3'100'000);
  b.file("Library/Logs/Dropzone Sync.log");
}

void tonewheel(Builder& b) {
  b.app({"Tonewheel", "com.tonewheel.synth", "/Applications", "TW7H3J9K1M", {}});
  b.pluginBundle("Library/Audio/Plug-Ins/Components/Tonewheel.component", "com.tonewheel.synth.au");
  b.pluginBundle("/Library/Audio/Plug-Ins/VST3/Tonewheel.vst3", "com.tonewheel.synth.vst3");
  b.pluginBundle("/Library/Frameworks/TonewheelCore.framework", "com.tonewheel.synth.core");
  b.pluginBundle("Library/Frameworks/ToneKit.framework", "com.tonewheel.synth");
  b.file("Library/Preferences/com.tonewheel.synth.plist");
}

void pebbleNotes(Builder& b) {
  b.app({"Pebble Notes", "com.pebble.notes", "/Applications", "PB2C6D8F4H", {}});
  b.container("7C1D4E2A-33B9-4F0C-9E1A-6B5D2C8F0A41", "com.pebble.notes");
  b.container("A0B1C2D3-E4F5-4A6B-8C7D-9E0F1A2B3C4D", "com.pebble.notes.share-extension");
  b.folder("Library/Application Scripts/com.pebble.notes", 1);
  b.file("Library/Preferences/ByHost/com.pebble.notes.0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0.plist");
  b.file("Library/Application Support/com.apple.sharedfilelist/"
         "com.apple.LSSharedFileList.ApplicationRecentDocuments/com.pebble.notes.sfl3");
}

void smallApps(Builder& b, const SampleMac& mac) {
  b.app({"Quill", "com.quillapps.quill", "/Applications", "QL9W8E7R6T", {}});
  b.folder("Library/Caches/com.quillapps.quill", 2);
  b.file("Library/Preferences/com.quillapps.quill.plist");
  b.folder("Library/HTTPStorages/com.quillapps.quill", 1);
  b.folder("Library/WebKit/com.quillapps.quill", 1);
  b.file("Library/Cookies/com.quillapps.quill.binarycookies");
  b.file("Library/Logs/DiagnosticReports/Quill_2026-10-01-101010_Mac.crash");
  // A link that leads out of the Caches folder is never followed or offered. Its target is a path on the
  // Mac, as a link made there holds.
  SampleMac::makeFolder(b.path("/Users/Shared/QuillExport"));
  fs::create_directory_symlink("/Users/Shared/QuillExport", b.path("Library/Caches/com.quillapps.quill.export"));

  // Three-letter names never match by name alone.
  b.app({"Vox", "com.voxaudio.vox", "/Applications", std::nullopt, {}, false});
  b.folder("Library/Caches/com.voxaudio.vox", 1);
  b.folder("Library/Application Support/Vox", 1);
  b.app({"Qix", "com.qixsoft.qix", "/Applications", std::nullopt, {}, false});
  b.file("Library/Preferences/com.qixsoft.qix.plist");

  // One name inside another.
  b.app({"Paint", "com.brushworks.paint", "/Applications", "BW3X5C7V9B", {}});
  b.folder("Library/Application Support/Paint", 1);
  b.file("Library/Preferences/com.brushworks.paint.plist");
  b.app({"PaintShop Studio", "com.paintshop.studio", "/Applications", "PS1A2S3D4F", {}});
  b.folder("Library/Application Support/PaintShop Studio", 2);
  b.folder("Library/Caches/com.paintshop.studio", 1);

  b.app({"Orbit Mail", "com.orbit.mail", "/Applications", "OM6N5B4V3C", {"OM6N5B4V3C.com.orbit.mail"}});
  b.folder("Library/Containers/com.orbit.mail", 2);
  b.folder("Library/Group Containers/OM6N5B4V3C.com.orbit.mail", 1);
  b.pluginBundle("Library/Mail/Bundles/OrbitMail.mailbundle", "com.orbit.mail.bundle");

  b.app({"Ledgerly", "com.ledgerly.mac", "/Applications", "LG8H7J6K5L", {}});
  std::string cache = b.folder("Library/Caches/com.ledgerly.mac", 1);
  ageItem(cache, 200);
  std::string prefs = b.file("Library/Preferences/com.ledgerly.mac.plist");
  ageItem(prefs, 179);
  addReceipt(mac, "com.ledgerly.mac", "2.4", "/Applications", {"Ledgerly.app", "Ledgerly.app/Contents"});

  b.app({"Snapgrid", "com.snapgrid.app", "/Applications", "SG4R5T6Y7U", {}});
  b.folder("Library/Saved Application State/com.snapgrid.app.savedState", 1);
  b.file("Library/Preferences/com.snapgrid.app.plist");
  b.file("Library/Logs/DiagnosticReports/Snapgrid-2026-09-12-080000.ips");

  b.app({"Fathom Reader", "com.fathom.reader", "/Applications", "FR2T4Y6U8I", {}});
  b.folder("Library/Application Support/Fathom Reader", 1);
  b.folder("Library/Application Support/Fathom Reader/Library", 3);
  b.folder("Library/Caches/com.fathom.reader", 1);

  b.app({"Lumen", "com.lumenfx.lumen", "/Applications", "LM9K8J7H6G", {}});
  b.pluginBundle("Library/Screen Savers/Lumen.saver", "com.lumenfx.lumen.saver");

  b.app({"Inkwell", "com.inkwell.editor", "/Applications", "IK1Q2W3E4R", {}});
  b.pluginBundle("/Library/QuickLook/Inkwell.qlgenerator", "com.inkwell.editor.quicklook");
  b.pluginBundle("Library/Spotlight/Inkwell.mdimporter", "com.inkwell.editor.spotlight");
  b.folder("Library/Caches/com.inkwell.editor", 1);

  b.app({"Keyforge", "com.keyforge.app", "/Applications", "KF5T6Y7U8I", {}});
  b.pluginBundle("/Library/PreferencePanes/Keyforge.prefPane", "com.keyforge.app.prefpane");
  b.file("Library/Preferences/com.keyforge.app.plist");

  b.app({"Harbor Backup", "com.harbor.backup", "/Applications", "HB3E4R5T6Y", {}});
  b.launchJob("/Library/LaunchDaemons/com.harbor.backup.daemon.plist", "com.harbor.backup.daemon",
              "/Library/Application Support/Harbor Backup/harbord");
  b.launchJob("Library/LaunchAgents/com.harbor.backup.menu.plist", "com.harbor.backup.menu",
              "/Applications/Harbor Backup.app/Contents/MacOS/Harbor Backup");
  b.folder("/Library/Logs/Harbor Backup", 2);
  b.folder("/Library/Caches/com.harbor.backup", 1);
  b.folder("/Library/Application Support/Harbor Backup", 2);

  b.app({"Stencil", "com.stencil.design", "/Applications", "ST7U8I9O0P", {}});
  b.folder("Library/Containers/com.stencil.design", 2);
  b.folder("Library/Caches/com.stencil.design", 1);

  b.app({"Tally", "com.tallyapp.tally", "/Applications", std::nullopt, {}, false});
  b.file("Library/Preferences/com.tallyapp.tally.plist");
  b.folder("Library/Application Support/Tally", 1);

  b.app({"Meridian Maps", "com.meridian.maps", "/Applications", "MM1N2B3V4C", {}});
  b.folder("Library/Caches/com.meridian.maps", 6);
  b.folder("Library/Application Support/Meridian Maps/Tiles", 4);

  b.app({"Cobalt Terminal", "com.cobalt.terminal", "/Applications", "CT5V6B7N8M", {}});
  b.file("Library/Preferences/com.cobalt.terminal.plist");
  b.folder("Library/Saved Application State/com.cobalt.terminal.savedState", 1);
  b.folder("Library/Application Support/Cobalt Terminal", 1);

  b.app({"Sparrowhawk", "com.sparrowhawk.browser", "/Applications", "SH9M8N7B6V", {}});
  b.folder("Library/Application Support/Sparrowhawk/Default", 3);
  b.folder("Library/Caches/com.sparrowhawk.browser", 2);
  b.folder("Library/WebKit/com.sparrowhawk.browser", 1);
  b.folder("Library/HTTPStorages/com.sparrowhawk.browser", 1);

  b.app({"Driftwood", "com.driftwood.player", "/Applications", "DW2C3V4B5N", {}});
  b.pluginBundle("/Library/Extensions/DriftwoodAudio.kext", "com.driftwood.player.audio");
  b.folder("Library/Caches/com.driftwood.player", 1);

  b.app({"Pulse Monitor", "com.pulsemonitor.app", "/Applications/Utilities", "PM6Y7U8I9O", {}});
  b.folder("Library/Caches/com.pulsemonitor.app", 1);
  b.app({"Scratchpad", "com.scratchpad.app", "~/Applications", std::nullopt, {}, false});
  b.file("Library/Preferences/com.scratchpad.app.plist");
  b.app({"Calculator", "com.apple.calculator", "/System/Applications", std::nullopt, {}, false});
}

}  // namespace

void ageItem(const std::string& path, int days) {
  auto when = fs::file_time_type::clock::now() - std::chrono::hours(24 * days) - std::chrono::hours(1);
  std::error_code ec;
  fs::last_write_time(path, when, ec);
}

std::vector<DemoApp> buildDemoMac(const SampleMac& mac) {
  Builder b(mac);
  northwindSuite(b);
  beaconVPN(b, mac);
  dropzone(b);
  tonewheel(b);
  pebbleNotes(b);
  smallApps(b, mac);
  addDemoBackgroundItems(mac);
  return b.apps();
}

}  // namespace corvane::testing
