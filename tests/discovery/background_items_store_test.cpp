// The background-items store: file names, labels, scope classification, owner candidates, guidance, and
// loading a folder of store files.

#include "corvane/background_items_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "corvane/login_scope_identity.h"
#include "discovery/background_items_fixtures.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using btmtest::kOtherScope;
using btmtest::kSentinelScope;
using btmtest::kUserScope;
using testing::SampleBackgroundItem;
using testing::SampleMac;
using Status = BackgroundItemStoreStatus;
using Kind = BackgroundItemScopeKind;
using Store = BackgroundItemsStore;

TEST(BackgroundItemsStoreNames, StoreFileNames) {
  using Name = Store::StoreFileName;
  const std::string lower = "0a1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9";
  EXPECT_EQ(Store::parseStoreFileName("BackgroundItems-v16.btm"), (Name{16, std::nullopt}));
  EXPECT_EQ(Store::parseStoreFileName("BackgroundItems-v0018.btm"), (Name{18, std::nullopt}));
  EXPECT_EQ(Store::parseStoreFileName("BackgroundItems-v9999.btm"), (Name{9999, std::nullopt}));
  EXPECT_EQ(Store::parseStoreFileName("BackgroundItems-v16-" + lower + ".btm"), (Name{16, std::string(kUserScope)}));
  for (std::string bad : {"BackgroundItems-v12345.btm", "BackgroundItems-v.btm", "BackgroundItems-v1a.btm",
                          "BackgroundItems-v16.btm.bak", "backgrounditems-v16.btm", "BackgroundItems-v16-.btm",
                          "BackgroundItems-v16-not-an-identifier.btm", "BackgroundItems-v+16.btm",
                          "BackgroundItems-v16.BTM", "BackgroundItems-v.btm16"}) {
    EXPECT_EQ(Store::parseStoreFileName(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(Store::parseStoreFileName("BackgroundItems-v16-" + lower + "-x.btm"), std::nullopt);
}

TEST(BackgroundItemsStoreNames, LaunchLabels) {
  EXPECT_EQ(Store::launchdLabel("2.com.vendor.agent"), "com.vendor.agent");
  EXPECT_EQ(Store::launchdLabel("16.com.vendor.agent"), "com.vendor.agent");
  EXPECT_EQ(Store::launchdLabel("8.com.vendor.agent-2_x"), "com.vendor.agent-2_x");
  EXPECT_EQ(Store::launchdLabel("8." + std::string(256, 'a')), std::string(256, 'a'));
  for (std::optional<std::string> none :
       {std::optional<std::string>(), std::optional<std::string>("com.vendor.agent"), std::optional<std::string>(".com.x"),
        std::optional<std::string>("2."), std::optional<std::string>("2.com.vendor agent"),
        std::optional<std::string>("2x.com.vendor"), std::optional<std::string>("2.-com.vendor"),
        std::optional<std::string>("-2.com.vendor"), std::optional<std::string>("8." + std::string(257, 'a')),
        std::optional<std::string>("16")}) {
    EXPECT_EQ(Store::launchdLabel(none), std::nullopt) << none.value_or("(none)");
  }
  EXPECT_EQ(Store::labelPattern.data(), LaunchdLabel::labelPattern.data());
}

TEST(BackgroundItemsStoreNames, ScopeClassification) {
  struct Case {
    std::optional<std::string> body, filename, current;
    Store::Scope expected;
  };
  const std::string lower = "0a1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9";
  const std::string sentinel = kSentinelScope;
  const std::vector<Case> cases{
      {std::nullopt, std::nullopt, kUserScope, {std::nullopt, Kind::unknown}},
      {" \n", "\t", kUserScope, {std::nullopt, Kind::unknown}},
      {kUserScope, kOtherScope, kUserScope, {kUserScope, Kind::unknown}},
      {"not-a-scope", std::nullopt, kUserScope, {"NOT-A-SCOPE", Kind::unknown}},
      {std::nullopt, kUserScope, kUserScope, {kUserScope, Kind::unknown}},
      {sentinel, std::nullopt, sentinel, {sentinel, Kind::systemSentinel}},
      {"ffffeeee-dddd-cccc-bbbb-aaaa00000001", std::nullopt, std::nullopt,
       {"FFFFEEEE-DDDD-CCCC-BBBB-AAAA00000001", Kind::systemSentinel}},
      {kUserScope, std::nullopt, std::nullopt, {kUserScope, Kind::unknown}},
      {kUserScope, std::nullopt, "  ", {kUserScope, Kind::unknown}},
      {" " + lower + "\n", lower, " " + lower, {kUserScope, Kind::currentUser}},
      {kOtherScope, kOtherScope, kUserScope, {kOtherScope, Kind::otherUser}},
      {"\u00a0" + std::string(kOtherScope) + "\u2028", std::nullopt, kUserScope, {kOtherScope, Kind::otherUser}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    EXPECT_EQ(Store::classifyScope(c.body, c.filename, c.current), c.expected);
  }
}

TEST(BackgroundItemsStoreNames, OwnerCandidates) {
  using List = std::vector<std::string>;
  EXPECT_EQ(Store::hyphenStrippedOwnerCandidates("com.vendor.app-agent-xpc"),
            (List{"com.vendor.app", "com.vendor.app-agent"}));
  EXPECT_EQ(Store::hyphenStrippedOwnerCandidates("com.vendor.app-agent"), (List{"com.vendor.app"}));
  EXPECT_EQ(Store::hyphenStrippedOwnerCandidates("com.vendor.app"), List{});
  EXPECT_EQ(Store::hyphenStrippedOwnerCandidates("app-agent"), List{});
  EXPECT_EQ(Store::hyphenStrippedOwnerCandidates("com.my-vendor.app"), List{});
  EXPECT_EQ(Store::hyphenStrippedOwnerCandidates("com.vendor.-a-b"), (List{"com.vendor.a"}));
  EXPECT_EQ(Store::hyphenStrippedOwnerCandidates("com.vendor.a--b"), (List{"com.vendor.a", "com.vendor.a-"}));
  EXPECT_EQ(Store::hyphenStrippedOwnerCandidates("com.vendor.a-"), (List{"com.vendor.a"}));
}

TEST(BackgroundItemsStoreNames, GuidanceIsTheSameForEveryLabel) {
  MatchEvidence one = Store::removalGuidance("com.vendor.agent");
  MatchEvidence two = Store::removalGuidance("");
  EXPECT_EQ(one.kind, EvidenceKind::removalGuidance);
  EXPECT_EQ(one.weight, 0);
  EXPECT_EQ(one.explanation,
            "Turning this off stops it from running at login and moves its leftover settings file to the Trash "
            "(recoverable). macOS keeps a small entry only you can remove, in System Settings > General > Login "
            "Items & Extensions.");
  EXPECT_EQ(two.explanation, one.explanation);
  EXPECT_NE(two.id, one.id);
}

TEST(BackgroundItemsStoreNames, RecordsAndTheirDerivedProperties) {
  BackgroundItemRecord r;
  r.type = 0x10020;
  r.disposition = 4;
  EXPECT_EQ(r.typeCategory(), 0x20);
  EXPECT_TRUE(r.isDeveloperContainer());
  EXPECT_FALSE(r.supportsUserLaunchdNeutralization());
  EXPECT_TRUE(r.isHidden());
  EXPECT_FALSE(r.isEnabled());
  r.type = 0x30008;
  EXPECT_TRUE(r.supportsUserLaunchdNeutralization());
  EXPECT_FALSE(r.executablePathIsRelative());
  r.executablePath = "";
  EXPECT_FALSE(r.executablePathIsRelative());
  r.executablePath = "/bin/x";
  EXPECT_FALSE(r.executablePathIsRelative());
  // A current-user record is actionable unless its scope is the system's.
  r.scopeKind = Kind::currentUser;
  EXPECT_TRUE(r.isActionableScope());
  r.scopeUUID = "ffffeeee-dddd-cccc-bbbb-aaaa00000000";
  EXPECT_TRUE(r.isWellKnownSystemScope());
  EXPECT_FALSE(r.isActionableScope());
  r.scopeKind = Kind::otherUser;
  r.scopeUUID = kOtherScope;
  EXPECT_FALSE(r.isActionableScope());

  BackgroundItemRecord child = r;
  r.subItems = {child};
  BackgroundItemRecord copy = r;
  EXPECT_EQ(copy, r);
  EXPECT_EQ(std::hash<BackgroundItemRecord>{}(copy), std::hash<BackgroundItemRecord>{}(r));
  copy.subItems[0].disposition = 1;
  EXPECT_NE(copy, r);

  std::vector<std::string> names;
  for (auto kind : kAllBackgroundItemScopeKinds) names.emplace_back(stringValue(kind));
  EXPECT_EQ(names, (std::vector<std::string>{"currentUser", "otherUser", "systemSentinel", "unknown"}));
  EXPECT_EQ(backgroundItemScopeKindFromString("otherUser"), Kind::otherUser);
  EXPECT_EQ(backgroundItemScopeKindFromString("OtherUser"), std::nullopt);
}

TEST(BackgroundItemsStoreNames, LoginScopeFromTheLayout) {
  Layout layout = Layout::at("/r", "/h");
  layout.loginScope = Uuid::parse("0a1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9");
  EXPECT_EQ(LoginScopeIdentity::currentUserScopeUUID(layout), std::string(kUserScope));
  layout.loginScope.reset();
  EXPECT_EQ(LoginScopeIdentity::currentUserScopeUUID(layout), LoginScopeIdentity::currentUserScopeUUID());
  // Asked twice, the same answer (computed once).
  EXPECT_EQ(&LoginScopeIdentity::currentUserScopeUUID(), &LoginScopeIdentity::currentUserScopeUUID());
}

class BackgroundItemsFolderTest : public ::testing::Test {
 protected:
  std::string write(const std::string& name, const PropertyList& archive) {
    return testing::writeBackgroundItemsFile(folder, name, archive);
  }
  std::string writeRaw(const std::string& name, const std::string& bytes) {
    return SampleMac::writeFile(folder + "/" + name, bytes);
  }
  BackgroundItemsLoadResult load() { return Store::loadDetailed(folder, std::string(kUserScope)); }

  static PropertyList storeWith(const std::string& label, const std::string& scope = kUserScope) {
    return testing::globalStoreArchive({{scope, {SampleBackgroundItem{.identifier = "8." + label, .type = 8}}}});
  }
  static PropertyList userArchive(const std::optional<std::string>& scope, const std::string& label) {
    return testing::scopeArchive(scope, {SampleBackgroundItem{.identifier = "8." + label, .type = 8}});
  }
  static std::vector<std::string> labels(const BackgroundItemsLoadResult& result) {
    std::vector<std::string> out;
    for (const auto& r : result.records) out.push_back(r.label.value_or("-"));
    return out;
  }

  testing::TemporaryFolder tmp{"corvane-btm"};
  SampleMac mac{tmp.path()};
  std::string folder = testing::backgroundItemsFolder(mac);
};

using Labels = std::vector<std::string>;

TEST_F(BackgroundItemsFolderTest, OneGlobalStoreIsParsed) {
  write("BackgroundItems-v16.btm", storeWith("com.a.agent"));
  auto result = load();
  EXPECT_EQ(result.status, Status::parsed(16, 1));
  EXPECT_EQ(labels(result), Labels{"com.a.agent"});
  EXPECT_EQ(result.scopesSeen, Labels{kUserScope});
  EXPECT_EQ(Store::load(folder, std::nullopt).size(), 1u);
}

TEST_F(BackgroundItemsFolderTest, OnlyTheHighestVersionIsRead) {
  write("BackgroundItems-v16.btm", storeWith("com.old.agent"));
  write("BackgroundItems-v18.btm", storeWith("com.new.agent"));
  write("BackgroundItems-v9.btm", storeWith("com.older.agent"));
  auto result = load();
  EXPECT_EQ(result.status, Status::parsed(18, 1));
  EXPECT_EQ(labels(result), Labels{"com.new.agent"});
  auto found = Store::discover(folder);
  EXPECT_EQ(found.outcome, Store::DiscoveryResult::Outcome::found);
  EXPECT_EQ(found.storePaths, Labels{folder + "/BackgroundItems-v18.btm"});
}

TEST_F(BackgroundItemsFolderTest, MissingFolderOrNoStoreFile) {
  EXPECT_EQ(Store::loadDetailed(folder + "/absent", kUserScope),
            (BackgroundItemsLoadResult{{}, Status::storeMissing(), {}}));
  writeRaw("notes.txt", "x");
  writeRaw("BackgroundItems-v16-nope.btm", "x");
  writeRaw(".BackgroundItems-v16.btm", "hidden");
  EXPECT_EQ(load(), (BackgroundItemsLoadResult{{}, Status::storeMissing(), {}}));
}

TEST_F(BackgroundItemsFolderTest, AMalformedScopeInTheNameIsNoStoreFile) {
  write("BackgroundItems-v16.btm", storeWith("com.a.agent"));
  write("BackgroundItems-v18-1234.btm", userArchive(kUserScope, "com.b.agent"));
  auto result = load();
  EXPECT_EQ(result.status, Status::parsed(16, 1));
  EXPECT_EQ(labels(result), Labels{"com.a.agent"});
}

TEST_F(BackgroundItemsFolderTest, FilesThatCannotBeReadLeaveAnUnreadableShape) {
  fs::create_symlink(write("elsewhere.plist", storeWith("com.a.agent")), folder + "/BackgroundItems-v16.btm");
  writeRaw("BackgroundItems-v16-" + std::string(kOtherScope) + ".btm", "");
  auto result = load();
  EXPECT_EQ(result.status, Status::unreadableShape(16, {"BackgroundItems-v16-" + std::string(kOtherScope) + ".btm",
                                                        "BackgroundItems-v16.btm"}));
  EXPECT_TRUE(result.records.empty());
  EXPECT_TRUE(result.scopesSeen.empty());
}

TEST_F(BackgroundItemsFolderTest, AFolderNamedLikeAStoreIsSkipped) {
  SampleMac::makeFolder(folder + "/BackgroundItems-v16.btm");
  write("BackgroundItems-v16-" + std::string(kUserScope) + ".btm", userArchive(kUserScope, "com.a.agent"));
  auto result = load();
  EXPECT_EQ(result.status, Status::degraded(16, 1, 1, false));
  EXPECT_EQ(labels(result), Labels{"com.a.agent"});
}

TEST_F(BackgroundItemsFolderTest, AnIndexedScopeWithoutItsFileCountsAsSkipped) {
  const std::string third = "22222222-3333-4444-8555-666666666666";
  write("BackgroundItems-v16.btm", testing::scopeIndexArchive({kUserScope, kOtherScope, third}));
  write("BackgroundItems-v16-" + std::string(kUserScope) + ".btm", userArchive(kUserScope, "com.mine"));
  write("BackgroundItems-v16-" + std::string(kOtherScope) + ".btm", userArchive(kOtherScope, "com.theirs"));
  auto result = load();
  EXPECT_EQ(result.status, Status::degraded(16, 2, 1, false));
  EXPECT_EQ(labels(result), (Labels{"com.mine", "com.theirs"}));
  EXPECT_EQ(result.scopesSeen, (Labels{kUserScope, kOtherScope, third}));
}

TEST_F(BackgroundItemsFolderTest, AnIndexAloneIsARecognisedShape) {
  write("BackgroundItems-v16.btm", testing::scopeIndexArchive({kUserScope}, testing::ScopeForm::text));
  write("BackgroundItems-v16-" + std::string(kUserScope) + ".btm", userArchive(kUserScope, "com.mine"));
  auto result = load();
  EXPECT_EQ(result.status, Status::parsed(16, 1));
  EXPECT_EQ(result.scopesSeen, Labels{kUserScope});
}

TEST_F(BackgroundItemsFolderTest, BodyAndFileNameScopes) {
  write("BackgroundItems-v16-" + std::string(kUserScope) + ".btm", userArchive(kUserScope, "com.mine"));
  // Body and file name disagree: the body's scope, kind unknown.
  write("BackgroundItems-v16-" + std::string(kOtherScope) + ".btm", userArchive(kUserScope, "com.moved"));
  // A body that names no scope is no per-user archive at all.
  write("BackgroundItems-v16-" + std::string(kSentinelScope) + ".btm", userArchive(std::nullopt, "com.nobody"));
  auto result = load();
  EXPECT_EQ(result.status, Status::degraded(16, 2, 1, false));
  ASSERT_EQ(result.records.size(), 2u);
  EXPECT_EQ(result.records[0].label, "com.mine");
  EXPECT_EQ(result.records[0].scopeKind, Kind::currentUser);
  EXPECT_EQ(result.records[1].label, "com.moved");
  EXPECT_EQ(result.records[1].scopeUUID, std::string(kUserScope));
  EXPECT_EQ(result.records[1].scopeKind, Kind::unknown);
}

TEST_F(BackgroundItemsFolderTest, AGlobalStoreMakesPerScopeFilesUnread) {
  write("BackgroundItems-v16.btm", storeWith("com.global"));
  write("BackgroundItems-v16-" + std::string(kOtherScope) + ".btm", userArchive(kOtherScope, "com.scoped"));
  auto result = load();
  EXPECT_EQ(result.status, Status::parsed(16, 1));
  EXPECT_EQ(labels(result), Labels{"com.global"});
}

TEST_F(BackgroundItemsFolderTest, UnscopedFilesAreReadInNameOrder) {
  write("BackgroundItems-v16.btm", userArchive(kOtherScope, "com.b"));
  write("BackgroundItems-v016.btm", userArchive(kUserScope, "com.a"));
  writeRaw("BackgroundItems-v0016.btm", "garbage");
  auto result = load();
  EXPECT_EQ(result.status, Status::degraded(16, 2, 1, false));
  EXPECT_EQ(labels(result), (Labels{"com.a", "com.b"}));
  EXPECT_EQ(result.scopesSeen, (Labels{kUserScope, kOtherScope}));
}

TEST_F(BackgroundItemsFolderTest, SampleMacStore) {
  std::string path = testing::addDemoBackgroundItems(mac);
  EXPECT_EQ(path, folder + "/BackgroundItems-v16.btm");
  auto result = Store::loadDetailed(folder, std::string(testing::kDemoUserScope));
  EXPECT_EQ(result.status, Status::parsed(16, 1));
  EXPECT_EQ(result.scopesSeen, (Labels{testing::kDemoUserScope, testing::kDemoOtherUserScope}));
  EXPECT_EQ(labels(result), (Labels{"com.dropzone.sync", "com.beaconvpn.client", "com.northwind.writer.updater",
                                    "com.oldvendor.tool.agent", "com.dropzone.sync"}));
  const auto& dropzone = result.records[0];
  ASSERT_EQ(dropzone.subItems.size(), 2u);
  EXPECT_EQ(dropzone.subItems[0].label, "com.dropzone.sync.launcher");
  EXPECT_EQ(dropzone.subItems[0].registeredURLPath,
            "/Applications/Dropzone Sync.app/Contents/Library/LoginItems/Dropzone Launcher.app");
  EXPECT_EQ(dropzone.subItems[1].registeredURLPath, mac.user("Library/LaunchAgents/com.dropzone.sync.agent.plist"));
  EXPECT_TRUE(dropzone.subItems[1].supportsUserLaunchdNeutralization());
  const auto& beacon = result.records[1];
  ASSERT_EQ(beacon.subItems.size(), 2u);
  EXPECT_EQ(beacon.subItems[1].label, "com.beaconvpn.client.helper");
  EXPECT_EQ(beacon.subItems[1].typeCategory(), 0x10);
  EXPECT_EQ(result.records[3].scopeKind, Kind::currentUser);
  EXPECT_EQ(result.records[4].scopeKind, Kind::otherUser);
  EXPECT_TRUE(result.records[4].subItems.empty());

  Layout layout = Layout::at(mac.root(), mac.home());
  layout.loginScope = Uuid::parse(testing::kDemoUserScope);
  EXPECT_EQ(Store::loadDetailed(layout), result);
  EXPECT_EQ(Store::loadFile(path, std::string(testing::kDemoUserScope)), result.records);
}

}  // namespace
}  // namespace corvane
