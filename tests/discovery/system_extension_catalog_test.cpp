#include "corvane/discovery/system_extension_catalog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sample_mac/plist_writer.h"
#include "sample_mac/sample_mac.h"
#include "sample_mac/system_extensions_builder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::DatabaseFormat;
using testing::SampleMac;
using testing::SampleSystemExtension;

constexpr const char* kNetwork = "com.apple.system_extension.network_extension";
constexpr const char* kDriver = "com.apple.system_extension.driver_extension";

PropertyList dict(PlistDictionary entries) { return PropertyList(std::move(entries)); }
PropertyList array(PlistArray elements) { return PropertyList(std::move(elements)); }
PropertyList integer(std::int64_t value) { return PropertyList(value); }

const SampleSystemExtension kVpn{"com.vendor.vpn.tunnel", "0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9",
                                 "activated_enabled", {kNetwork}, "ABCDE12345", "/Applications/Vendor VPN.app",
                                 {"com.vendor.vpn"}, "com.vendor.vpn.tunnel.systemextension"};
const SampleSystemExtension kDriverExt{"com.maker.audio.driver", "11111111-2222-4333-8444-555555555555",
                                       "activated_waiting_for_user", {kDriver}, "MAKER00001",
                                       "/Applications/Maker Audio.app", {"com.maker.audio", "com.maker.audio.helper"},
                                       "com.maker.audio.driver.dext"};

class SystemExtensionDatabaseFileTest : public ::testing::Test {
 protected:
  Layout layout() const { return Layout::at(mac_.root(), mac_.home()); }
  std::string databasePath() const { return mac_.system("/Library/SystemExtensions/db.plist"); }
  std::vector<SystemExtensionRecord> load() const { return SystemExtensionCatalog::load(layout()); }

  testing::TemporaryFolder folder_{"corvane-sysext"};
  SampleMac mac_{folder_.path()};
};

TEST_F(SystemExtensionDatabaseFileTest, AMalformedEntryIsSkippedAloneAndTheOthersKeepTheirOrder) {
  std::vector<PropertyList> entries = {
      dict({{"uniqueID", "no-identifier"}, {"state", "activated_enabled"}}),
      testing::systemExtensionEntry(kVpn),
      "just a string",
      dict({{"identifier", integer(42)}}),
      dict({{"identifier", "com.bad.categories"}, {"categories", kNetwork}}),
      dict({{"identifier", "com.bad.category-element"}, {"categories", array({kNetwork, integer(1)})}}),
      dict({{"identifier", "com.bad.unique"}, {"uniqueID", integer(7)}}),
      dict({{"identifier", "com.bad.state"}, {"state", PropertyList(true)}}),
      dict({{"identifier", "com.bad.team"}, {"teamID", array({})}}),
      dict({{"identifier", "com.bad.container"}, {"container", "/Applications/X.app"}}),
      dict({{"identifier", "com.bad.bundle-path"}, {"container", dict({{"bundlePath", integer(3)}})}}),
      dict({{"identifier", "com.bad.references"}, {"references", dict({})}}),
      dict({{"identifier", "com.bad.reference"}, {"references", array({"com.a"})}}),
      dict({{"identifier", "com.bad.app-identifier"}, {"references", array({dict({{"appIdentifier", integer(1)}})})}}),
      dict({{"identifier", "com.bad.reference-team"}, {"references", array({dict({{"teamID", integer(1)}})})}}),
      testing::systemExtensionEntry(kDriverExt),
      dict({{"identifier", "com.minimal"}, {"someFutureKey", integer(5)}}),
  };
  testing::writeSystemExtensionsDatabase(mac_, entries, DatabaseFormat::xml);

  std::vector<SystemExtensionRecord> records = load();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].extID, "com.vendor.vpn.tunnel");
  EXPECT_EQ(records[1].extID, "com.maker.audio.driver");
  EXPECT_EQ(records[2], (SystemExtensionRecord{"com.minimal", std::nullopt, std::nullopt, {}, std::nullopt,
                                               std::nullopt, {}}));
}

TEST_F(SystemExtensionDatabaseFileTest, AMissingUnreadableMalformedOrOversizedDatabaseIsAnEmptyCatalog) {
  EXPECT_TRUE(load().empty()) << "no database";
  EXPECT_TRUE(SystemExtensionCatalog::load(Url::fileURL(folder_.path() + "/nowhere")).empty());

  const PropertyList good = testing::systemExtensionEntry(kVpn);
  const std::pair<const char*, std::string> files[] = {
      {"empty file", ""},
      {"garbage", "\x01\x02garbage that is no property list"},
      {"truncated binary", "bplist00\xff\xff"},
      {"top level is a list", testing::writeXMLPlist(array({dict({{"extensions", array({good})}})}))},
      {"extensions is a dictionary", testing::writeXMLPlist(dict({{"extensions", dict({{"0", good}})}}))},
      {"no extensions key", testing::writeXMLPlist(dict({{"extensionPolicies", array({})}}))},
      {"an empty list", testing::writeXMLPlist(dict({{"extensions", array({})}}))},
  };
  for (const auto& [what, contents] : files) {
    SampleMac::writeFile(databasePath(), contents);
    EXPECT_TRUE(load().empty()) << what;
  }

  // White space after the top element keeps the file a valid property list, whatever its length.
  std::string xml = testing::writeXMLPlist(dict({{"extensions", array({good})}}));
  SampleMac::writeFile(databasePath(), xml + std::string(SystemExtensionCatalog::maxDatabaseBytes - xml.size(), '\n'));
  EXPECT_EQ(load().size(), 1u) << "exactly at the limit";
  SampleMac::writeFile(databasePath(),
                       xml + std::string(SystemExtensionCatalog::maxDatabaseBytes - xml.size() + 1, '\n'));
  EXPECT_TRUE(load().empty()) << "one byte over";

  fs::remove(databasePath());
  fs::create_directories(databasePath());
  EXPECT_TRUE(load().empty()) << "db.plist is a folder";
}

std::vector<SystemExtensionRecord> recordsOf(PlistDictionary entry) {
  return SystemExtensionCatalog::records(dict({{"extensions", array({dict(std::move(entry))})}}));
}

TEST(SystemExtensionRecords, OwnerBundlePathIsAStandardisedMacPathWithoutResolvingLinks) {
  const std::vector<std::pair<PropertyList, std::optional<std::string>>> cases = {
      {dict({{"bundlePath", "/Applications/./Foo.app"}}), "/Applications/Foo.app"},
      {dict({{"bundlePath", "/Applications/Foo.app/"}}), "/Applications/Foo.app"},
      {dict({{"bundlePath", "/Applications//Sub/../Foo.app"}}), "/Applications/Foo.app"},
      {dict({{"bundlePath", "/../../etc/Evil.app"}}), "/etc/Evil.app"},
      {dict({{"bundlePath", "Applications/Foo.app"}}), "/Applications/Foo.app"},
      {dict({{"bundlePath", ""}}), std::nullopt},
      {dict({{"bundleVersion", dict({})}}), std::nullopt},
  };
  for (const auto& [container, expected] : cases) {
    SCOPED_TRACE(testing::writeXMLPlist(container));
    auto records = recordsOf({{"identifier", "com.x"}, {"container", container}});
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].ownerAppBundlePath, expected);
  }
}

// Guidance texts.
constexpr const char* kKext =
    "This is a legacy kernel extension (kext) left in place by an app or driver. Do not move it to the Trash. "
    "Kernel extensions load only with your approval, so a leftover one is inert. To clear it, use the owning "
    "app's or driver's uninstaller, or remove it with administrator rights. If unsure, it is safe to leave in "
    "place.";
constexpr const char* kSystemExtension =
    "This is a system extension the app installed. Removing the app does not remove it, and it should not be "
    "moved to the Trash because macOS keeps its own staged copy.";
constexpr const char* kGeneral = "To turn it off: System Settings > General > Login Items & Extensions.";
constexpr const char* kNetworkOff =
    "To turn it off: System Settings > General > Login Items & Extensions > Network Extensions.";
constexpr const char* kDriverOff =
    "To turn it off: System Settings > General > Login Items & Extensions > Driver Extensions.";
constexpr const char* kRemoving =
    "macOS has already started removing it; the staged files usually clear after a restart.";
constexpr const char* kWaiting = "It is staged and waiting for approval, so it is not active yet.";

std::string joined(const std::vector<std::string>& sentences) {
  std::string out;
  for (const auto& s : sentences) out += (out.empty() ? "" : " ") + s;
  return out;
}

SystemExtensionRecord record(std::vector<std::string> categories, std::optional<std::string> teamID,
                             std::optional<std::string> state) {
  return {"com.vendor.net", "UID", std::move(state), std::move(categories), std::move(teamID), std::nullopt, {}};
}

const Url kStaged = Url::fileURL("/Library/SystemExtensions/UID/com.vendor.net.systemextension");

TEST(SystemExtensionGuidance, AKernelExtensionGetsTheKextSentenceAloneWhateverTheRecordSays) {
  SystemExtensionRecord full = record({kNetwork}, "ABCDE12345", "terminated");
  for (const char* path : {"/Library/Extensions/Foo.kext", "/Library/Extensions/Foo.KEXT",
                           "/Library/Extensions/Foo.Kext/"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(SystemExtensionCatalog::removalGuidance(full, Url::fileURL(path)).explanation, kKext);
    EXPECT_EQ(SystemExtensionCatalog::removalGuidance(std::nullopt, Url::fileURL(path)).explanation, kKext);
  }
  // Only the final extension counts.
  EXPECT_EQ(SystemExtensionCatalog::removalGuidance(std::nullopt, Url::fileURL("/L/Foo.kext.backup")).explanation,
            joined({kSystemExtension, kGeneral}));
}

TEST(SystemExtensionGuidance, SentencesFollowTheRecord) {
  struct Case {
    const char* name;
    std::optional<SystemExtensionRecord> record;
    std::vector<std::string> sentences;
  };
  const std::vector<Case> cases = {
      {"no record", std::nullopt, {kSystemExtension, kGeneral}},
      {"network, team, waiting",
       record({kNetwork}, "ABCDE12345", "activated_waiting_for_user"),
       {kSystemExtension, kNetworkOff, "Advanced: systemextensionsctl uninstall ABCDE12345 com.vendor.net", kWaiting}},
      {"driver, no team, terminated", record({kDriver}, std::nullopt, "terminated"),
       {kSystemExtension, kDriverOff, kRemoving}},
      {"uninstalling", record({}, std::nullopt, "uninstalling"), {kSystemExtension, kGeneral, kRemoving}},
      {"enabled adds nothing", record({kDriver}, "T", "activated_enabled"),
       {kSystemExtension, kDriverOff, "Advanced: systemextensionsctl uninstall T com.vendor.net"}},
      {"only the first category counts", record({"com.apple.system_extension.endpoint_security", kNetwork},
                                                std::nullopt, std::nullopt),
       {kSystemExtension, kGeneral}},
      {"states compare exactly", record({kNetwork}, std::nullopt, "Terminated"), {kSystemExtension, kNetworkOff}},
      {"an empty team still gives the line", record({}, "", std::nullopt),
       {kSystemExtension, kGeneral, "Advanced: systemextensionsctl uninstall  com.vendor.net"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SystemExtensionCatalog::removalGuidance(c.record, kStaged).explanation, joined(c.sentences));
  }
  // One weightless entry, a fresh one each time.
  MatchEvidence first = SystemExtensionCatalog::removalGuidance(std::nullopt, kStaged);
  EXPECT_EQ(first.kind, EvidenceKind::removalGuidance);
  EXPECT_EQ(first.weight, 0);
  EXPECT_NE(first.id, SystemExtensionCatalog::removalGuidance(std::nullopt, kStaged).id);
}

}  // namespace
}  // namespace corvane
