#include <gtest/gtest.h>

#include <random>

#include "corvane/discovery/app_discovery_service.h"
#include "corvane/orphans/orphan_scanner.h"
#include "orphans/orphan_sources.h"
#include "platform/file_status.h"
#include "corvane/platform/file_system.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/demo_mac.h"
#include "sample_mac/stale_records.h"
#include "sample_mac/system_extensions_builder.h"

namespace corvane {
namespace {

using testing::SampleMac;
using Strings = std::vector<std::string>;

Strings texts(const FileFinding& f) {
  Strings out;
  for (const auto& e : f.evidence) out.push_back(e.explanation);
  return out;
}

class OrphanSourcesTest : public ::testing::Test {
 protected:
  orphans::SourceContext context() const { return {installed_, running_, exists_, layout_}; }

  testing::TemporaryFolder tmp_;
  SampleMac mac_{tmp_.path()};
  Layout layout_ = Layout::at(mac_.root(), mac_.home(), 501);
  std::set<std::string> installed_{"com.vendor.app"};
  std::set<std::string> running_;
  std::function<bool(const std::string&)> exists_ = [](const std::string& p) {
    return platform::realFileSystem().exists(p);
  };
};

TEST_F(OrphanSourcesTest, ReceiptsOfMissingAppsWithTheirFilesAndSize) {
  const std::string dir = mac_.system("/var/db/receipts");
  SampleMac::makeFolder(dir);
  mac_.addApp(testing::BundleInfo{"Present", "com.present.app", "1", std::nullopt, {}});
  struct Case {  // file contents, "-" for none; the reported file's extension
    std::string id;
    std::optional<std::string> app;
    std::string bom, plist;
    std::optional<std::string> reportedAt;
  };
  const std::vector<Case> cases = {
      {"com.gone.both", "/Applications/Gone.app", "bom", "plist", ".bom"},
      {"com.gone.plistonly", "/Applications/Gone.app", "-", "plist", ".plist"},
      {"com.gone.empty", "/Applications/Gone.app", "", "", ".bom"},
      {"com.gone.present", "/Applications/Present.app", "bom", "plist", std::nullopt},
      {"com.apple.pkg.Thing", "/Applications/Gone.app", "bom", "plist", std::nullopt},
      {"com.vendor.app.pkg", "/Applications/Gone.app", "bom", "plist", std::nullopt},
      {"com.example.pkg", "/Applications/Gone.app", "bom", "plist", std::nullopt},
      {"com.gone.nopayload", std::nullopt, "bom", "plist", std::nullopt},
      {"com.gone.nofiles", "/Applications/Gone.app", "-", "-", std::nullopt},
  };
  std::vector<PackageReceiptRecord> receipts;
  for (const auto& c : cases) {
    if (c.bom != "-") SampleMac::writeFile(dir + "/" + c.id + ".bom", c.bom);
    if (c.plist != "-") SampleMac::writeFile(dir + "/" + c.id + ".plist", c.plist);
    receipts.push_back({c.id, c.app});
  }
  orphans::GroupMap groups;
  orphans::appendOrphanReceipts(groups, receipts, dir, context());
  EXPECT_EQ(groups.size(), 3u);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    auto group = groups.find("installer-receipt:" + c.id);
    ASSERT_EQ(group != groups.end(), c.reportedAt.has_value());
    if (!c.reportedAt) continue;
    const FileFinding& f = group->second.at(0);
    EXPECT_EQ(f.url.path(), dir + "/" + c.id + *c.reportedAt);
    std::int64_t size = 0;
    for (const char* ext : {".bom", ".plist"})
      if (auto st = platform::linkStatus(dir + "/" + c.id + ext)) size += st->allocatedSize;
    EXPECT_EQ(f.byteCount, size > 0 ? std::optional(size) : std::nullopt);
    EXPECT_TRUE(f.kind == FindingKind::installerReceipt && f.score == 55 && f.modifiedAt && f.diskIdentity);
    EXPECT_EQ(texts(f),
              (Strings{"Installer receipt " + c.id +
                           " records a package whose installed app is no longer on your Mac. Removing it clears that "
                           "leftover record (its .bom and .plist).",
                       "The app this receipt installed (/Applications/Gone.app) is gone, and no installed application "
                       "owns its package identifier. Absence of an owner plus a missing payload app is the leftover "
                       "signal.",
                       "This installer receipt is system-owned, so macOS needs administrator approval to remove it. "
                       "The approved helper moves it to the Trash (recoverable) with no password."}));
  }
}

TEST_F(OrphanSourcesTest, StagedSystemExtensionsOfGoneOwners) {
  const std::string staging = mac_.system("/Library/SystemExtensions");
  const std::string staged =
      testing::addStagedSystemExtension(mac_, "U1", "com.gone.net.systemextension", "com.gone.net");
  testing::addStagedSystemExtension(mac_, "U2", "ext.dext", "com.vendor.app.driver");
  SampleMac::makeFolder(mac_.system("/Applications/Present.app"));
  const std::string tail = " macOS keeps a staged copy, so removing it is guided, not a Trash move.";
  struct Case { SystemExtensionRecord record; std::optional<std::string> location; std::string first; };
  const std::vector<Case> cases = {
      {{"com.gone.net", "U1", {}, {}, {}, "/Applications/Gone Net.app", {"com.gone.netapp"}},
       staged,
       "This system extension was installed by an app that is no longer on your Mac (its recorded application at "
       "/Applications/Gone Net.app is gone)." + tail},
      {{"com.gone.filter", std::nullopt, {}, {}, {}, std::nullopt, {"com.gone.filterapp"}},
       staging + "/com.gone.filter",
       "No installed application owns this staged system extension." + tail},
      {{"com.gone.owned", "U3", {}, {}, {}, "/Applications/Present.app", {"com.gone.ownedapp"}}, std::nullopt, ""},
      {{"com.gone.short", "U4", {}, {}, {}, std::nullopt, {"com.gone.shortapp", "gone.app"}}, std::nullopt, ""},
      {{"com.gone.none", "U4", {}, {}, {}, std::nullopt, {}}, std::nullopt, ""},
      {{"com.other.driver", "U2", {}, {}, {}, std::nullopt, {"com.other.app"}}, std::nullopt, ""},
      // Apple's own, by the extension's identifier or its owner's, is never an orphan.
      {{"com.apple.DriverKit-AppleUserHID", "U5", {}, {}, {}, "/Applications/Gone Net.app", {"com.gone.netapp"}},
       std::nullopt, ""},
      {{"com.gone.camera", "U6", {}, {}, {}, std::nullopt, {"com.apple.PhotoBooth"}}, std::nullopt, ""},
  };
  std::vector<SystemExtensionRecord> catalog;
  for (const auto& c : cases) catalog.push_back(c.record);
  orphans::GroupMap groups;
  orphans::appendOrphanSystemExtensions(groups, catalog, staging, context());
  EXPECT_EQ(groups.size(), 2u);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.record.extID);
    auto group = groups.find("system-extension:" + c.record.extID);
    ASSERT_EQ(group != groups.end(), c.location.has_value());
    if (!c.location) continue;
    const FileFinding& f = group->second.at(0);
    EXPECT_EQ(f.url.path(), *c.location);
    EXPECT_EQ(texts(f), (Strings{c.first, SystemExtensionCatalog::removalGuidance(c.record, f.url).explanation}));
    EXPECT_TRUE(f.kind == FindingKind::systemExtension && f.isProtectedLocation && !f.byteCount);
  }
}

BackgroundItemRecord item(const std::string& label, std::int64_t type, std::int64_t disposition,
                          std::optional<std::string> exe, std::optional<std::string> registered = std::nullopt,
                          BackgroundItemScopeKind scope = BackgroundItemScopeKind::currentUser,
                          std::string scopeUUID = testing::kDemoUserScope) {
  BackgroundItemRecord r;
  r.scopeKind = scope;
  r.scopeUUID = scopeUUID;
  r.label = label;
  r.identifier = std::to_string(type) + "." + label;
  r.type = type;
  r.disposition = disposition;
  r.executablePath = std::move(exe);
  r.registeredURLPath = std::move(registered);
  return r;
}

TEST_F(OrphanSourcesTest, BackgroundItemsStateTargetAndLocation) {
  SampleMac::makeFolder(mac_.system("/Volumes/Backup"));
  const std::string trash = mac_.user(".Trash/Old.app/Contents/MacOS/agent");
  const std::string prefs = mac_.user("Library/Preferences/");
  const std::string gone = "/Applications/Gone.app/Contents/MacOS/agent";
  const std::string missing = " is missing from its installed location";
  const std::string agentGuide =
      "Turning this off stops it from running at login and moves its leftover settings file to the Trash "
      "(recoverable). macOS keeps a small entry only you can remove, in System Settings > General > Login Items & "
      "Extensions.";
  const std::string hiddenGuide =
      "This hidden stale record is managed by macOS, not a launch agent Corvane can turn off.  Corvane leaves it "
      "unchanged; macOS does not show it in the visible Login Items list.";
  const std::string plainGuide =
      "This stale record is managed by macOS, not a launch agent Corvane can turn off.  Corvane leaves it unchanged.  "
      "Review the visible entry in System Settings > General > Login Items & Extensions.";
  using S = BackgroundItemScopeKind;
  const std::string on = "It is still enabled and would run at login.", off = "It is currently disabled.";
  struct Case {
    BackgroundItemRecord record;
    std::string state, target = "", location = "", guide = "";  // defaults: the missing `gone`, Preferences, agent
  };
  const std::vector<Case> cases = {
      {item("com.gone.on", 0x10008, 0xB, gone), on},
      {item("com.gone.off", 8, 0xA, gone), off},
      {item("com.gone.hid", 8, 5, gone),
       "It is still enabled (it would run at login), and macOS has hidden it from the visible Login Items list."},
      {item("com.gone.login", 4, 5, std::nullopt, "/Applications/Gone.app"),
       "macOS still marks the record enabled and hides it from the visible Login Items list. No installed app or "
       "component owns it.",
       "its recorded target at /Applications/Gone.app" + missing, mac_.system("/Applications/Gone.app"), hiddenGuide},
      {item("com.gone.daemon", 16, 1, gone), "macOS still marks the record enabled. No installed app or component "
       "owns it.", "", mac_.system(gone), plainGuide},
      {item("com.gone.trashed", 8, 1, trash), on,
       "its recorded target is in the Trash at " + trash + ", so it is no longer installed"},
      {item("com.gone.voltrash", 8, 0, "/Volumes/Backup/.Trashes/501/a"), off,
       "its recorded target is in the Trash at /Volumes/Backup/.Trashes/501/a, so it is no longer installed"},
      {item("com.gone.relative", 8, 0, "Contents/MacOS/agent"), off,
       "its recorded target at Contents/MacOS/agent" + missing},
  };
  // Not reported: a relative non-agent, an unmounted volume, other scopes, type 32, suppressed, the
  // system's own, an installed owner by a shortened label, a target that exists.
  const std::vector<BackgroundItemRecord> silent = {
      item("com.gone.relative4", 4, 0, "Contents/MacOS/agent"), item("com.gone.offline", 8, 1, "/Volumes/Off/a"),
      item("com.gone.other", 8, 1, gone, std::nullopt, S::otherUser, testing::kDemoOtherUserScope),
      item("com.gone.sentinel", 8, 1, gone, std::nullopt, S::currentUser, testing::kSystemSentinelScope),
      item("com.gone.dev", 32, 1, gone), item("com.gone.suppressed", 8, 1, gone), item("com.apple.thing", 8, 1, gone),
      item("ABCDE12345.com.apple.thing", 8, 1, gone), [&] {
        auto applesOwn = item("com.gone.ofApple", 8, 1, gone);
        applesOwn.associatedBundleIdentifiers = {"com.apple.systempreferences"};
        return applesOwn;
      }(),
      item("com.vendor.app-helper-xpc", 8, 1, gone), item("com.gone.present", 8, 1, "/Applications/Present.app")};
  SampleMac::makeFolder(mac_.system("/Applications/Present.app"));
  std::vector<BackgroundItemRecord> items = silent;
  for (const auto& c : cases) items.push_back(c.record);
  running_ = {"com.gone.on"};
  orphans::GroupMap groups;
  orphans::appendOrphanBackgroundItems(groups, items, {"com.gone.suppressed"}, context());
  EXPECT_EQ(groups.size(), cases.size());
  for (const auto& c : cases) {
    const std::string& label = *c.record.label;
    SCOPED_TRACE(label);
    ASSERT_EQ(groups.count("background-item:" + label), 1u);
    const FileFinding& f = groups["background-item:" + label].at(0);
    EXPECT_EQ(f.url.path(), c.location.empty() ? prefs + label + ".plist" : c.location);
    EXPECT_EQ(f.kind, c.record.typeCategory() == 8 ? FindingKind::backgroundItem : FindingKind::backgroundRegistration);
    EXPECT_TRUE(f.confidence == FindingConfidence::review && f.displayName == label && f.isProtectedLocation);
    Strings expected{"A background item \"" + label + "\" is registered under " + label + ". " + c.state,
                     "There is no installed owner for this background item (" +
                         (c.target.empty() ? "its recorded target at " + gone + missing : c.target) +
                         "). Absence of an installed owner is the leftover signal."};
    if (label == "com.gone.on") expected.push_back("A background process for com.gone.on is currently running.");
    expected.push_back(c.guide.empty() ? agentGuide : c.guide);
    EXPECT_EQ(texts(f), expected);
  }
}

OrphanScanner::Collaborators quietCollaborators() {
  return {[] { return std::vector<RunningApplication>{}; }, nullptr, nullptr, {}};
}

TEST(OrphanSourcesSampleTest, StaleRecordsOfTheSampleMacAreFoundOnceEach) {
  testing::TemporaryFolder tmp;
  SampleMac mac(tmp.path());
  testing::buildDemoMac(mac);
  testing::addStaleSystemRecords(mac);
  Layout layout = Layout::at(mac.root(), mac.home(), 501);
  layout.loginScope = Uuid::parse(testing::kDemoUserScope);
  const auto installed = AppDiscoveryService(layout).discover();
  const OrphanScanner scanner(layout, quietCollaborators());
  Strings keys;
  for (const auto& group : scanner.scan(installed, {}, {}).groups)
    if (group.suspectedBundleIdentifier.find(':') != std::string::npos) keys.push_back(group.suspectedBundleIdentifier);
  EXPECT_EQ(keys, (Strings{"background-item:com.driftwood.sync.agent", "background-item:com.driftwood.sync.launcher",
                           "background-item:com.driftwood.sync.updater", "background-item:com.oldvendor.tool.agent",
                           "background-item:com.quillpad.editor.agent", "installer-receipt:com.driftwood.sync",
                           "system-extension:com.driftwood.sync.filter"}));

  const auto records = BackgroundItemsStore::load(layout.backgroundItems(), testing::kDemoUserScope);
  const auto agent = scanner.removableBackgroundItemOrphan("com.driftwood.sync.agent", records, installed);
  EXPECT_EQ(agent ? agent->label : std::nullopt, "com.driftwood.sync.agent");
  EXPECT_EQ(scanner.removableBackgroundItemOrphan("com.driftwood.sync.launcher", records, installed), std::nullopt);
}

TEST(OrphanSourcesSampleTest, JunkReceiptsGiveNothing) {
  testing::TemporaryFolder tmp;
  SampleMac mac(tmp.path());
  std::mt19937 random(7);
  for (int i = 0; i < 12; ++i) {
    std::string bytes(static_cast<std::size_t>(random() % 600), '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    if (i % 3 == 0) bytes = "bplist00" + bytes;
    const std::string base = mac.system("/var/db/receipts/com.junk.p" + std::to_string(i));
    SampleMac::writeFile(base + ".plist", bytes);
    SampleMac::writeFile(base + ".bom", i % 2 ? bytes : "BOMStore" + bytes);
  }
  const OrphanScanner scanner(Layout::at(mac.root(), mac.home(), 501), quietCollaborators());
  for (const auto& group : scanner.scan({}, {}, {}).groups)
    EXPECT_FALSE(group.suspectedBundleIdentifier.starts_with("installer-receipt:")) << group.suspectedBundleIdentifier;
}

}  // namespace
}  // namespace corvane
