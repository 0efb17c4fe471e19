// The background-items store: file names, labels, scope classification, reading items out of one store file
// (the three shapes, scope forms, item fields, sub-items, URLs), loading a folder of store files, and damaged
// and hostile files and folders, every limit at its boundary: each case gives one exact result, never a crash,
// a hang or an unbounded allocation.

#include "corvane/discovery/background_items_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>

#include "corvane/discovery/login_scope_identity.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/plist_writer.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::KeyedArchiveBuilder;
using testing::SampleBackgroundItem;
using testing::SampleMac;
using testing::ScopeForm;
using Bytes = std::vector<std::uint8_t>;
using Status = BackgroundItemStoreStatus;
using Kind = BackgroundItemScopeKind;
using Store = BackgroundItemsStore;
using Labels = std::vector<std::string>;

constexpr const char* kUserScope = "0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9";
constexpr const char* kOtherScope = "11111111-2222-4333-8444-555555555555";
constexpr const char* kSentinelScope = "FFFFEEEE-DDDD-CCCC-BBBB-AAAAFFFFFFFF";
const std::string kLowerUserScope = "0a1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9";

Bytes bytesOf(const PropertyList& archive) { return testing::writeBinaryPlist(archive); }

// An item object with just an identifier (and the given extra entries); returns its reference.
PlistUID bareItem(KeyedArchiveBuilder& a, const std::string& identifier, PlistDictionary extra = {}) {
  PlistDictionary d{{"identifier", PropertyList(a.text(identifier))}};
  for (auto& entry : extra) d.push_back(std::move(entry));
  return a.add(std::move(d));
}

// "$top" = {"store": S} whose itemsByUserIdentifier maps each text scope to an archived list reference.
PropertyList globalStore(KeyedArchiveBuilder& a, const std::vector<std::pair<std::string, PlistUID>>& scopes) {
  std::vector<std::pair<PlistUID, PlistUID>> entries;
  for (const auto& [scope, items] : scopes) entries.emplace_back(a.text(scope), items);
  PlistUID store = a.add(PlistDictionary{{"itemsByUserIdentifier", PropertyList(a.dictionary(entries))}});
  return a.archive("store", store);
}

// A global store of the user's scope holding `items`.
PropertyList oneScopeStore(KeyedArchiveBuilder& a, const std::vector<PlistUID>& items) {
  return globalStore(a, {{kUserScope, a.array(items)}});
}

TEST(BackgroundItemsStoreNames, StoreFileNames) {
  using Name = Store::StoreFileName;
  EXPECT_EQ(Store::parseStoreFileName("BackgroundItems-v16.btm"), (Name{16, std::nullopt}));
  EXPECT_EQ(Store::parseStoreFileName("BackgroundItems-v0018.btm"), (Name{18, std::nullopt}));
  EXPECT_EQ(Store::parseStoreFileName("BackgroundItems-v9999.btm"), (Name{9999, std::nullopt}));
  EXPECT_EQ(Store::parseStoreFileName("BackgroundItems-v16-" + kLowerUserScope + ".btm"), (Name{16, kUserScope}));
  for (const std::string& bad :
       Labels{"BackgroundItems-v12345.btm", "BackgroundItems-v.btm", "BackgroundItems-v1a.btm",
              "BackgroundItems-v16.btm.bak", "backgrounditems-v16.btm", "BackgroundItems-v16-not-an-identifier.btm"}) {
    EXPECT_EQ(Store::parseStoreFileName(bad), std::nullopt) << bad;
  }
}

TEST(BackgroundItemsStoreNames, LaunchLabelsAndOwnerCandidates) {
  EXPECT_EQ(Store::launchdLabel("2.com.vendor.agent"), "com.vendor.agent");
  EXPECT_EQ(Store::launchdLabel("16.com.vendor.agent"), "com.vendor.agent");
  EXPECT_EQ(Store::launchdLabel("8.com.vendor.agent-2_x"), "com.vendor.agent-2_x");
  EXPECT_EQ(Store::launchdLabel("8." + std::string(256, 'a')), std::string(256, 'a'));
  for (const std::optional<std::string>& none : std::vector<std::optional<std::string>>{
           std::nullopt, "com.vendor.agent", ".com.x", "2.", "2.com.vendor agent", "2x.com.vendor", "2.-com.vendor",
           "-2.com.vendor", "8." + std::string(257, 'a'), "16"}) {
    EXPECT_EQ(Store::launchdLabel(none), std::nullopt) << none.value_or("(none)");
  }
  EXPECT_EQ(Store::labelPattern.data(), LaunchdLabel::labelPattern.data());

  const std::vector<std::pair<std::string, Labels>> owners{
      {"com.vendor.app-agent-xpc", {"com.vendor.app", "com.vendor.app-agent"}},
      {"com.vendor.app-agent", {"com.vendor.app"}},
      {"com.vendor.app", {}},
      {"app-agent", {}},
      {"com.my-vendor.app", {}},
      {"com.vendor.-a-b", {"com.vendor.a"}},
      {"com.vendor.a--b", {"com.vendor.a", "com.vendor.a-"}},
      {"com.vendor.a-", {"com.vendor.a"}},
  };
  for (const auto& [label, candidates] : owners) EXPECT_EQ(Store::hyphenStrippedOwnerCandidates(label), candidates);
}

TEST(BackgroundItemsStoreNames, ScopeClassification) {
  struct Case {
    std::optional<std::string> body, filename, current;
    Store::Scope expected;
  };
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
      {kUserScope, std::nullopt, "  ", {kUserScope, Kind::unknown}},
      {" " + kLowerUserScope + "\n", kLowerUserScope, " " + kLowerUserScope, {kUserScope, Kind::currentUser}},
      {kOtherScope, kOtherScope, kUserScope, {kOtherScope, Kind::otherUser}},
      {"\u00a0" + std::string(kOtherScope) + "\u2028", std::nullopt, kUserScope, {kOtherScope, Kind::otherUser}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    EXPECT_EQ(Store::classifyScope(c.body, c.filename, c.current), c.expected);
  }
}

TEST(BackgroundItemsStoreNames, GuidanceRecordsAndLoginScope) {
  MatchEvidence one = Store::removalGuidance("com.vendor.agent");
  EXPECT_EQ(one.kind, EvidenceKind::removalGuidance);
  EXPECT_EQ(one.weight, 0);
  EXPECT_EQ(one.explanation,
            "Turning this off stops it from running at login and moves its leftover settings file to the Trash "
            "(recoverable). macOS keeps a small entry only you can remove, in System Settings > General > Login "
            "Items & Extensions.");
  EXPECT_NE(Store::removalGuidance("").id, one.id);

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

  r.subItems = {r};
  BackgroundItemRecord copy = r;
  EXPECT_EQ(copy, r);
  EXPECT_EQ(std::hash<BackgroundItemRecord>{}(copy), std::hash<BackgroundItemRecord>{}(r));
  copy.subItems[0].disposition = 1;
  EXPECT_NE(copy, r);

  Labels names;
  for (auto kind : kAllBackgroundItemScopeKinds) names.emplace_back(stringValue(kind));
  EXPECT_EQ(names, (Labels{"currentUser", "otherUser", "systemSentinel", "unknown"}));
  EXPECT_EQ(backgroundItemScopeKindFromString("otherUser"), Kind::otherUser);
  EXPECT_EQ(backgroundItemScopeKindFromString("OtherUser"), std::nullopt);

  Layout layout = Layout::at("/r", "/h");
  layout.loginScope = Uuid::parse(kLowerUserScope);
  EXPECT_EQ(LoginScopeIdentity::currentUserScopeUUID(layout), std::string(kUserScope));
  layout.loginScope.reset();
  EXPECT_EQ(LoginScopeIdentity::currentUserScopeUUID(layout), LoginScopeIdentity::currentUserScopeUUID());
  // Asked twice, the same answer (computed once).
  EXPECT_EQ(&LoginScopeIdentity::currentUserScopeUUID(), &LoginScopeIdentity::currentUserScopeUUID());
}

// --- One store file ---

std::vector<BackgroundItemRecord> parse(const PropertyList& archive,
                                        const std::optional<std::string>& current = std::string(kUserScope)) {
  return Store::parse(bytesOf(archive), current);
}

SampleBackgroundItem agent(const std::string& label) {
  return {.identifier = "8." + label, .name = label, .type = 8, .disposition = 3};
}

// Each record as "label kind".
Labels described(const std::vector<BackgroundItemRecord>& records) {
  Labels out;
  for (const auto& r : records) out.push_back(r.label.value_or("-") + " " + std::string(stringValue(r.scopeKind)));
  return out;
}

TEST(BackgroundItemsArchive, ScopesOfEachShapeAndForm) {
  for (ScopeForm form : {ScopeForm::text, ScopeForm::uuidObject}) {
    SCOPED_TRACE(form == ScopeForm::text ? "text" : "identifier object");
    auto archive = testing::globalStoreArchive(
        {{kUserScope, {agent("com.a.one")}}, {kOtherScope, {agent("com.a.two")}}, {kSentinelScope, {agent("com.a.3")}}},
        form);
    auto records = parse(archive);
    EXPECT_EQ(described(records), (Labels{"com.a.one currentUser", "com.a.two otherUser", "com.a.3 systemSentinel"}));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].scopeUUID, std::string(kOtherScope));
    // Without the current user's identifier no scope is anyone's in particular.
    EXPECT_EQ(described(parse(archive, std::nullopt)),
              (Labels{"com.a.one unknown", "com.a.two unknown", "com.a.3 systemSentinel"}));
  }
  auto lower = parse(testing::globalStoreArchive({{" " + kLowerUserScope + "\n", {agent("com.x")}}}));
  EXPECT_EQ(described(lower), Labels{"com.x currentUser"});
  EXPECT_EQ(lower.at(0).scopeUUID, std::string(kUserScope));

  // A per-user archive takes its scope from the body.
  auto perUser = parse(testing::scopeArchive(kOtherScope, {agent("com.a.one"), agent("com.a.two")}));
  EXPECT_EQ(described(perUser), (Labels{"com.a.one otherUser", "com.a.two otherUser"}));
  EXPECT_EQ(perUser.at(1).scopeUUID, std::string(kOtherScope));
}

TEST(BackgroundItemsArchive, ArchivesOfOtherShapesGiveNoRecords) {
  // A scope index holds no items; an archive of another shape holds nothing we read.
  EXPECT_TRUE(parse(testing::scopeIndexArchive({kUserScope, kOtherScope})).empty());
  KeyedArchiveBuilder other;
  EXPECT_TRUE(parse(other.archive("root", other.text("x"))).empty());
  // A per-user archive whose body names no scope is not one.
  EXPECT_TRUE(parse(testing::scopeArchive(std::nullopt, {agent("com.a.one")})).empty());
  EXPECT_TRUE(parse(testing::scopeArchive("  ", {agent("com.a.one")}, ScopeForm::text)).empty());

  KeyedArchiveBuilder a;
  PropertyList good = oneScopeStore(a, {bareItem(a, "8.com.x")});
  ASSERT_EQ(parse(good).size(), 1u);
  const std::vector<std::pair<std::string, PropertyList>> replacements{
      {"$archiver", "NSArchiver"}, {"$archiver", 1}, {"$objects", PlistDictionary{}}, {"$top", PlistArray{}}};
  for (const auto& [key, value] : replacements) {
    PlistDictionary d = *good.asDictionary();
    for (auto& [k, v] : d)
      if (k == key) v = value;
    EXPECT_TRUE(parse(d).empty()) << key;
  }
}

TEST(BackgroundItemsArchive, ItemsNeedAnIdentifierOrANameAndReferencesMustResolve) {
  KeyedArchiveBuilder a;
  PlistUID nameOnly = a.add(PlistDictionary{{"name", PropertyList(a.text("Just a name"))}});
  PlistUID neither = a.add(PlistDictionary{{"developerName", PropertyList(a.text("Nobody"))}});
  PlistUID nullIdentifier = a.add(PlistDictionary{{"identifier", PropertyList(KeyedArchiveBuilder::null)}});
  PlistUID outOfRange = a.add(PlistDictionary{{"identifier", PropertyList(PlistUID{999999})}});
  PlistUID notADictionary = a.text("2.com.text.only");
  // {"CF$UID": n} stands for a reference; with a second key or a negative index it is a plain dictionary.
  PlistUID name = a.text("Named");
  PlistUID id = a.text("8.com.x");
  PlistUID cfItem = a.add(PlistDictionary{{"identifier", PlistDictionary{{"CF$UID", std::int64_t(id.value)}}},
                                          {"name", PlistDictionary{{"CF$UID", std::int64_t(name.value)}, {"x", 1}}},
                                          {"developerName", PlistDictionary{{"CF$UID", std::int64_t(-1)}}}});
  auto records = parse(oneScopeStore(a, {nameOnly, neither, nullIdentifier, outOfRange, notADictionary, cfItem}));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name, "Just a name");
  EXPECT_EQ(records[0].identifier, std::nullopt);
  EXPECT_EQ(records[0].label, std::nullopt);
  EXPECT_EQ(records[1].identifier, "8.com.x");
  EXPECT_EQ(records[1].name, std::nullopt);
  EXPECT_EQ(records[1].developerName, std::nullopt);
}

TEST(BackgroundItemsArchive, NumbersAndAssociatedIdentifiers) {
  const std::vector<std::pair<PropertyList, std::int64_t>> types{
      {std::int64_t(0x10008), 0x10008}, {-2.5, -2}, {1e300, 0}, {true, 0}, {"8", 0}};
  for (const auto& [type, expected] : types) {
    KeyedArchiveBuilder a;
    PlistUID number = a.add(type);
    auto records = parse(oneScopeStore(a, {bareItem(a, "8.com.x", {{"type", PropertyList(number)}})}));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, expected);
    EXPECT_EQ(records[0].disposition, 0);
  }

  KeyedArchiveBuilder a;
  PlistUID one = bareItem(a, "8.com.one", {{"associatedBundleIdentifiers", PropertyList(a.text("com.one"))}});
  PlistUID b = a.text("com.b");
  // Inline texts and references, "$null", a reference out of range, a number and a duplicate.
  PlistUID set = a.add(PlistDictionary{
      {"NS.objects", PlistArray{PropertyList(b), PropertyList("com.a"), PropertyList(KeyedArchiveBuilder::null),
                                PropertyList(PlistUID{888888}), PropertyList(a.add(7)), PropertyList(b),
                                PropertyList("com.a")}}});
  PlistUID many = bareItem(a, "8.com.many", {{"associatedBundleIdentifiers", PropertyList(set)}});
  auto records = parse(oneScopeStore(a, {one, many}));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].associatedBundleIdentifiers, Labels{"com.one"});
  EXPECT_EQ(records[1].associatedBundleIdentifiers, (Labels{"com.b", "com.a"}));
}

// The registered path of an item whose "url" is `url`.
std::optional<std::string> urlPath(KeyedArchiveBuilder& a, PropertyList url) {
  auto records = parse(oneScopeStore(a, {bareItem(a, "8.com.x", {{"url", std::move(url)}})}));
  if (records.size() != 1) return "no record";
  return records[0].registeredURLPath;
}

TEST(BackgroundItemsArchive, RegisteredURLForms) {
  struct Case {
    const char* relative;
    const char* base;  // nullptr: no base
    std::optional<std::string> expected;
  };
  const std::string agentPath = "/Applications/Foo.app/Contents/Library/LoginItems/Agent.app";
  const std::vector<Case> cases{
      {"file:///Applications/Foo.app/", nullptr, "/Applications/Foo.app"},
      {"file:///Applications/./A%20B.app/Contents/../", nullptr, "/Applications/A B.app"},
      {"Contents/Library/LoginItems/Agent.app", "file:///Applications/Foo.app/", agentPath},
      {"Contents/Library/LoginItems/Agent.app", "file:///Applications/Foo.app", agentPath},
      {"../Other.app/", "file:///Applications/Foo.app/", "/Applications/Other.app"},
      {"Agent%20X.app?query#frag", "file:///Applications/", "/Applications/Agent X.app"},
      {"/Applications/Agent.app", "file:///Applications/Foo.app/", std::nullopt},
      {"Contents/Agent.app", nullptr, std::nullopt},
      {"https://example.com/x", "file:///Applications/", std::nullopt},
      {"bad%zzescape", "file:///Applications/", std::nullopt},
      {"file:///Library/X.plist", "file:///Applications/", "/Library/X.plist"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.relative);
    KeyedArchiveBuilder a;
    PlistUID base = c.base ? a.url(c.base) : KeyedArchiveBuilder::null;
    EXPECT_EQ(urlPath(a, PropertyList(a.url(c.relative, base))), c.expected);
  }
  // As text, referred to or inline.
  const std::vector<std::pair<std::string, std::optional<std::string>>> texts{
      {"file:///Applications/Foo.app/", "/Applications/Foo.app"}, {"Applications/Foo.app", std::nullopt}};
  for (const auto& [text, expected] : texts) {
    KeyedArchiveBuilder a;
    EXPECT_EQ(urlPath(a, PropertyList(a.text(text))), expected) << text;
  }
  KeyedArchiveBuilder inlineText;
  EXPECT_EQ(urlPath(inlineText, PropertyList("/Applications//Foo.app/./")), "/Applications/Foo.app");
}

TEST(BackgroundItemsArchive, URLBasesNestUpToSixteenLevels) {
  // A chain of relative URLs ending in a file URL at nesting `levels`.
  auto chain = [](int levels) {
    KeyedArchiveBuilder a;
    PlistUID url = a.url("file:///Root/");
    std::string expected = "/Root";
    for (int i = 0; i < levels; ++i) {
      url = a.url("d" + std::to_string(i) + "/", url);
      expected += "/d" + std::to_string(i);
    }
    return std::make_pair(urlPath(a, PropertyList(url)), expected);
  };
  auto [sixteen, expected] = chain(16);
  EXPECT_EQ(sixteen, expected);
  EXPECT_EQ(chain(17).first, std::nullopt);
}

// --- A folder of store files ---

class BackgroundItemsFolderTest : public ::testing::Test {
 protected:
  std::string write(const std::string& name, const PropertyList& archive) {
    return testing::writeBackgroundItemsFile(folder, name, archive);
  }
  BackgroundItemsLoadResult load() { return Store::loadDetailed(folder, std::string(kUserScope)); }

  testing::TemporaryFolder tmp{"corvane-btm"};
  SampleMac mac{tmp.path()};
  std::string folder = testing::backgroundItemsFolder(mac);
};

std::string scoped(const std::string& scope) { return "BackgroundItems-v16-" + scope + ".btm"; }
PropertyList storeWith(const std::string& label) {
  return testing::globalStoreArchive({{kUserScope, {SampleBackgroundItem{.identifier = "8." + label, .type = 8}}}});
}
PropertyList userArchive(const std::optional<std::string>& scope, const std::string& label) {
  return testing::scopeArchive(scope, {SampleBackgroundItem{.identifier = "8." + label, .type = 8}});
}

TEST_F(BackgroundItemsFolderTest, WhichFilesAreReadAndWhatTheyGive) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, PropertyList>> archives;
    std::vector<std::pair<std::string, std::string>> rawFiles;
    Status status;
    Labels records;  // described()
    Labels scopesSeen;
  };
  const std::string third = "22222222-3333-4444-8555-666666666666";
  const std::vector<Case> cases{
      {"no store file",
       {},
       {{"notes.txt", "x"}, {"BackgroundItems-v16-nope.btm", "x"}, {".BackgroundItems-v16.btm", "hidden"}},
       Status::storeMissing(),
       {},
       {}},
      {"only the highest version",
       {{"BackgroundItems-v16.btm", storeWith("com.old")},
        {"BackgroundItems-v18.btm", storeWith("com.new")},
        {"BackgroundItems-v9.btm", storeWith("com.older")}},
       {}, Status::parsed(18, 1), {"com.new currentUser"}, {kUserScope}},
      {"a malformed scope in the name is no store file",
       {{"BackgroundItems-v16.btm", storeWith("com.a")},
        {"BackgroundItems-v18-1234.btm", userArchive(kUserScope, "com.b")}},
       {}, Status::parsed(16, 1), {"com.a currentUser"}, {kUserScope}},
      {"an indexed scope without its file counts as skipped",
       {{"BackgroundItems-v16.btm", testing::scopeIndexArchive({kUserScope, kOtherScope, third})},
        {scoped(kUserScope), userArchive(kUserScope, "com.mine")},
        {scoped(kOtherScope), userArchive(kOtherScope, "com.theirs")}},
       {}, Status::degraded(16, 2, 1, false), {"com.mine currentUser", "com.theirs otherUser"},
       {kUserScope, kOtherScope, third}},
      {"an index alone is a recognised shape",
       {{"BackgroundItems-v16.btm", testing::scopeIndexArchive({kUserScope}, ScopeForm::text)},
        {scoped(kUserScope), userArchive(kUserScope, "com.mine")}},
       {}, Status::parsed(16, 1), {"com.mine currentUser"}, {kUserScope}},
      // Body and file name disagree: the body's scope, kind unknown. A body naming no scope is no per-user archive.
      {"body and file name scopes",
       {{scoped(kUserScope), userArchive(kUserScope, "com.mine")},
        {scoped(kOtherScope), userArchive(kUserScope, "com.moved")},
        {scoped(kSentinelScope), userArchive(std::nullopt, "com.nobody")}},
       {}, Status::degraded(16, 2, 1, false), {"com.mine currentUser", "com.moved unknown"}, {kUserScope}},
      {"a global store makes per-scope files unread",
       {{"BackgroundItems-v16.btm", storeWith("com.global")}, {scoped(kOtherScope), userArchive(kOtherScope, "com.s")}},
       {}, Status::parsed(16, 1), {"com.global currentUser"}, {kUserScope}},
      {"unscoped files are read in name order",
       {{"BackgroundItems-v16.btm", userArchive(kOtherScope, "com.b")},
        {"BackgroundItems-v016.btm", userArchive(kUserScope, "com.a")}},
       {{"BackgroundItems-v0016.btm", "garbage"}}, Status::degraded(16, 2, 1, false),
       {"com.a currentUser", "com.b otherUser"}, {kUserScope, kOtherScope}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const auto& [name, archive] : c.archives) write(name, archive);
    for (const auto& [name, bytes] : c.rawFiles) SampleMac::writeFile(folder + "/" + name, bytes);
    auto result = load();
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(described(result.records), c.records);
    EXPECT_EQ(result.scopesSeen, c.scopesSeen);
  }
  EXPECT_EQ(Store::load(folder, std::nullopt).size(), 2u);
  EXPECT_EQ(Store::loadDetailed(folder + "/absent", kUserScope),
            (BackgroundItemsLoadResult{{}, Status::storeMissing(), {}}));
}

TEST_F(BackgroundItemsFolderTest, LinksAndFoldersNamedLikeStoresAreNotRead) {
  fs::create_symlink(write("elsewhere.plist", storeWith("com.a")), folder + "/BackgroundItems-v16.btm");
  SampleMac::writeFile(folder + "/" + scoped(kOtherScope), "");
  auto result = load();
  EXPECT_EQ(result.status, Status::unreadableShape(16, {scoped(kOtherScope), "BackgroundItems-v16.btm"}));
  EXPECT_TRUE(result.records.empty());
  EXPECT_TRUE(result.scopesSeen.empty());

  fs::remove_all(folder);
  SampleMac::makeFolder(folder + "/BackgroundItems-v16.btm");
  write(scoped(kUserScope), userArchive(kUserScope, "com.a"));
  result = load();
  EXPECT_EQ(result.status, Status::degraded(16, 1, 1, false));
  EXPECT_EQ(described(result.records), Labels{"com.a currentUser"});
}

TEST_F(BackgroundItemsFolderTest, SampleMacStore) {
  std::string path = testing::addDemoBackgroundItems(mac);
  EXPECT_EQ(path, folder + "/BackgroundItems-v16.btm");
  auto result = Store::loadDetailed(folder, std::string(testing::kDemoUserScope));
  EXPECT_EQ(result.status, Status::parsed(16, 1));
  EXPECT_EQ(described(result.records),
            (Labels{"com.dropzone.sync currentUser", "com.beaconvpn.client currentUser",
                    "com.northwind.writer.updater currentUser", "com.oldvendor.tool.agent currentUser",
                    "com.dropzone.sync otherUser"}));
  Layout layout = Layout::at(mac.root(), mac.home());
  layout.loginScope = Uuid::parse(testing::kDemoUserScope);
  EXPECT_EQ(Store::loadDetailed(layout), result);
  EXPECT_EQ(Store::loadFile(path, std::string(testing::kDemoUserScope)), result.records);
}

// --- Damaged and hostile files and folders ---

// A record's shape as text: "A[B[C]]".
std::string shape(const BackgroundItemRecord& r) {
  std::string out = r.name.value_or(r.identifier.value_or("?"));
  if (r.subItems.empty()) return out;
  out += "[";
  for (std::size_t i = 0; i < r.subItems.size(); ++i) out += (i ? "," : "") + shape(r.subItems[i]);
  return out + "]";
}

PlistUID named(KeyedArchiveBuilder& a, const std::string& name, PlistUID items = KeyedArchiveBuilder::null) {
  return a.add(PlistDictionary{{"name", PropertyList(a.text(name))}, {"items", PropertyList(items)}});
}

std::string scopedName(int i) {
  char scope[37];
  std::snprintf(scope, sizeof scope, "00000000-0000-4000-8000-%012d", i);
  return "BackgroundItems-v16-" + std::string(scope) + ".btm";
}

class HostileStoreTest : public ::testing::Test {
 protected:
  void write(const std::string& name, const Bytes& bytes) {
    SampleMac::writeFile(folder + "/" + name, std::string(bytes.begin(), bytes.end()));
  }
  BackgroundItemsLoadResult load() { return Store::loadDetailed(folder, std::string(kUserScope)); }
  // Loads a folder holding only `bytes` as BackgroundItems-v16.btm.
  BackgroundItemsLoadResult loadOnly(const Bytes& bytes) {
    write("BackgroundItems-v16.btm", bytes);
    return load();
  }

  testing::TemporaryFolder tmp{"corvane-btm-hostile"};
  SampleMac mac{tmp.path()};
  std::string folder = testing::backgroundItemsFolder(mac);
};

// --- Object graphs ---

TEST_F(HostileStoreTest, CyclesAndDepthCutOnlyTheirBranch) {
  // A cycle through items.
  KeyedArchiveBuilder a;
  PlistUID itemA = a.reserve(), itemB = a.reserve();
  PlistUID itemC = named(a, "C");
  a.set(itemA, PlistDictionary{{"name", PropertyList(a.text("A"))}, {"items", PropertyList(a.array({itemA, itemB}))}});
  a.set(itemB, PlistDictionary{{"name", PropertyList(a.text("B"))}, {"items", PropertyList(a.array({itemA, itemC}))}});
  // Collections holding themselves, the scope's own list among them.
  KeyedArchiveBuilder b;
  PlistUID items = b.reserve();
  PlistUID parent = named(b, "P", items);
  b.set(items, PlistDictionary{{"NS.objects", PlistArray{PropertyList(items), PropertyList(named(b, "Q"))}}});
  PlistUID top = b.reserve();
  b.set(top, PlistDictionary{{"NS.objects", PlistArray{PropertyList(top), PropertyList(parent)}}});
  // Items at depth four get no sub-items.
  KeyedArchiveBuilder c;
  PlistUID inner = named(c, "5");
  for (const char* level : {"4", "3", "2", "1", "0"}) inner = named(c, level, c.array({inner}));

  const std::vector<std::pair<Bytes, std::string>> cases{
      {bytesOf(oneScopeStore(a, {itemA})), "A[B[C]]"},
      {bytesOf(globalStore(b, {{kUserScope, top}})), "P[Q]"},
      {bytesOf(oneScopeStore(c, {inner})), "0[1[2[3[4]]]]"}};
  for (const auto& [bytes, expected] : cases) {
    SCOPED_TRACE(expected);
    auto result = loadOnly(bytes);
    EXPECT_EQ(result.status, Status::parsed(16, 1));
    ASSERT_EQ(result.records.size(), 1u);
    EXPECT_EQ(shape(result.records[0]), expected);
  }

  KeyedArchiveBuilder d;
  PlistUID url = d.reserve();
  d.set(url, PlistDictionary{{"NS.base", PropertyList(url)}, {"NS.relative", PropertyList(d.text("x/"))}});
  auto records = Store::parse(bytesOf(oneScopeStore(d, {bareItem(d, "8.com.x", {{"url", PropertyList(url)}})})),
                              std::nullopt);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].registeredURLPath, std::nullopt);
}

// One item whose "items" names one child `children` times.
Bytes itemWithChildren(std::size_t children) {
  KeyedArchiveBuilder a;
  PlistUID child = named(a, "c");
  return bytesOf(oneScopeStore(a, {named(a, "p", a.array(std::vector<PlistUID>(children, child)))}));
}

// A global store whose scopes hold `perScope[i]` references to one item.
Bytes storeOfCounts(const std::vector<std::size_t>& perScope) {
  KeyedArchiveBuilder a;
  PlistUID item = bareItem(a, "8.com.x");
  std::vector<std::pair<std::string, PlistUID>> scopes;
  for (std::size_t i = 0; i < perScope.size(); ++i)
    scopes.emplace_back("scope-" + std::to_string(i), a.array(std::vector<PlistUID>(perScope[i], item)));
  return bytesOf(globalStore(a, scopes));
}

// One scope listing `item` 4,096 times.
Bytes manyTimes(KeyedArchiveBuilder& a, PlistUID item) {
  return bytesOf(oneScopeStore(a, std::vector<PlistUID>(4096, item)));
}

TEST_F(HostileStoreTest, CountLimitsAtTheirBoundaries) {
  for (std::size_t children : {4096u, 5000u}) {
    auto result = loadOnly(itemWithChildren(children));
    EXPECT_EQ(result.status, children == 4096 ? Status::parsed(16, 1) : Status::degraded(16, 1, 0, true));
    ASSERT_EQ(result.records.size(), 1u);
    EXPECT_EQ(result.records[0].subItems.size(), 4096u);
  }
  struct Case {
    const char* what;
    std::function<Bytes()> bytes;
    Status status;
    std::size_t records;
  };
  const Status cut = Status::degraded(16, 1, 0, true);
  const std::vector<Case> cases{
      {"5,000 top-level items",
       [] {
         KeyedArchiveBuilder a;
         return bytesOf(oneScopeStore(a, std::vector<PlistUID>(5000, bareItem(a, "8.com.x"))));
       },
       cut, 4096},
      {"20,001 records", [] { return storeOfCounts({4096, 4096, 4096, 4096, 3617}); }, cut, 20000},
      {"20,000 records", [] { return storeOfCounts({4096, 4096, 4096, 4096, 3616}); }, Status::parsed(16, 1), 20000},
      // 4,096 references to an item that names 4,096 times a child without identifier or name: each top-level
      // item costs 4,097 visits, so the 123rd is cut short and nothing after it is read.
      {"half a million visits through shared subtrees",
       [] {
         KeyedArchiveBuilder a;
         PlistUID nameless = a.add(PlistDictionary{{"type", 8}});
         return manyTimes(a, named(a, "wide", a.array(std::vector<PlistUID>(4096, nameless))));
       },
       cut, 123},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto result = loadOnly(c.bytes());
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.records.size(), c.records);
  }

  auto scopes = loadOnly(storeOfCounts(std::vector<std::size_t>(4097, 1)));
  EXPECT_EQ(scopes.status, cut);
  EXPECT_EQ(scopes.records.size(), 4096u);
  EXPECT_EQ(scopes.records.back().scopeUUID, "SCOPE-4095");
  EXPECT_EQ(scopes.scopesSeen.size(), 4096u);
}

TEST_F(HostileStoreTest, TextsSharedByEveryItemArePaidForEachTime) {
  const std::size_t scope = std::string(kUserScope).size();
  // One name of 1 MiB, and a list naming one 4,096-byte text 4,096 times: every text examined is paid for,
  // kept or not, so each item of the second costs about 16 MiB.
  constexpr std::size_t kName = 1u << 20, kText = 4096;
  KeyedArchiveBuilder a;
  PlistUID item = a.add(PlistDictionary{{"name", PropertyList(a.text(std::string(kName, 'n')))}});
  auto longName = loadOnly(manyTimes(a, item));
  EXPECT_EQ(longName.status, Status::degraded(16, 1, 0, true));
  const std::size_t perName = sizeof(BackgroundItemRecord) + scope + 2 * kName;
  EXPECT_EQ(longName.records.size(), (Store::maxRecordBytesPerLoad - scope) / perName);

  KeyedArchiveBuilder b;
  PlistUID ids = b.array(std::vector<PlistUID>(4096, b.text(std::string(kText, 'i'))));
  auto shared = loadOnly(manyTimes(b, bareItem(b, "8.com.x", {{"associatedBundleIdentifiers", PropertyList(ids)}})));
  EXPECT_EQ(shared.status, Status::degraded(16, 1, 0, true));
  const std::size_t perRecord =
      sizeof(BackgroundItemRecord) + scope + 2 * std::string("8.com.x").size() + 4096 * (sizeof(std::string) + kText);
  EXPECT_EQ(shared.records.size(), (Store::maxRecordBytesPerLoad - scope) / perRecord);
  ASSERT_FALSE(shared.records.empty());
  EXPECT_EQ(shared.records[0].associatedBundleIdentifiers, std::vector<std::string>{std::string(kText, 'i')});
}

// A store with one item, "$objects" padded with texts to exactly `count` objects.
Bytes storeWithObjects(std::size_t count) {
  KeyedArchiveBuilder a;
  PlistUID byUser = a.dictionary({{a.text(kUserScope), a.array({bareItem(a, "8.com.x")})}});
  PlistUID store = a.add(PlistDictionary{{"itemsByUserIdentifier", PropertyList(byUser)}});
  while (a.objectCount() < count) a.text("f");
  return bytesOf(a.archive("store", store));
}

TEST_F(HostileStoreTest, TwoHundredThousandObjectsAtMost) {
  EXPECT_EQ(Store::parse(storeWithObjects(200000), std::nullopt).size(), 1u);
  EXPECT_TRUE(Store::parse(storeWithObjects(200001), std::nullopt).empty());
}

// --- Files of no recognised shape ---

std::uint64_t readBig(const Bytes& b, std::size_t at, std::size_t size) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < size; ++i) v = (v << 8) | b[at + i];
  return v;
}
void writeBig(Bytes& b, std::size_t at, std::size_t size, std::uint64_t v) {
  for (std::size_t i = size; i-- > 0; v >>= 8) b[at + i] = static_cast<std::uint8_t>(v & 0xFF);
}

TEST_F(HostileStoreTest, DamagedFilesHaveAnUnreadableShape) {
  const Bytes good = bytesOf(testing::globalStoreArchive({{kUserScope, {{.identifier = "8.com.x"}}}}));
  ASSERT_EQ(Store::parse(good, std::nullopt).size(), 1u);
  const std::size_t trailer = good.size() - 32;
  Bytes otherTop = good;  // the top object made the last one, a text
  writeBig(otherTop, trailer + 16, 8, readBig(good, trailer + 8, 8) - 1);
  std::mt19937 random(16);
  Bytes noise(4096);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  for (std::size_t i = 0; i < 8; ++i) noise[i] = static_cast<std::uint8_t>("bplist00"[i]);

  KeyedArchiveBuilder a;
  PlistUID items = a.array({bareItem(a, "8.com.x")});
  PlistUID byUser = a.add(PlistDictionary{{"NS.keys", PlistArray{PropertyList(a.text(kUserScope))}},
                                          {"NS.objects", PlistArray{PropertyList(items), PropertyList(items)}}});
  PlistUID mismatched = a.add(PlistDictionary{{"itemsByUserIdentifier", PropertyList(byUser)}});

  const std::vector<std::pair<const char*, Bytes>> cases{
      // Damage of every kind the property-list reader refuses is tried where that reader is tested; here a few
      // show that a refused file is a file of no recognised shape.
      {"top object is another object", otherTop},
      {"random bytes after the magic", noise},
      {"keys and values mismatched", bytesOf(a.archive("store", mismatched))},
      {"a scope index key that is no identifier",
       bytesOf(testing::scopeIndexArchive({kUserScope, "not-an-identifier"}, testing::ScopeForm::text))},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    auto result = loadOnly(bytes);
    EXPECT_EQ(result.status, Status::unreadableShape(16, {"BackgroundItems-v16.btm"}));
    EXPECT_TRUE(result.records.empty());
  }
}

// --- Folders and files ---

TEST_F(HostileStoreTest, The4097thDirectoryEntryEndsDiscovery) {
  write("BackgroundItems-v16.btm", bytesOf(testing::globalStoreArchive({{kUserScope, {{.identifier = "8.com.x"}}}})));
  for (int i = 0; i < 4095; ++i) std::ofstream(folder + "/other-" + std::to_string(i));
  for (int i = 0; i < 20; ++i) std::ofstream(folder + "/.hidden-" + std::to_string(i));
  auto atLimit = load();
  EXPECT_EQ(atLimit.status, Status::parsed(16, 1));
  EXPECT_EQ(atLimit.records.size(), 1u);

  std::ofstream(folder + "/one-more");
  EXPECT_EQ(load(), (BackgroundItemsLoadResult{{}, Status::directoryEntryLimitExceeded(), {}}));
  EXPECT_EQ(Store::discover(folder).outcome, Store::DiscoveryResult::Outcome::tooManyEntries);

  // Store files count as entries too.
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (int i = 0; i < 5000; ++i) std::ofstream(folder + "/" + scopedName(i));
  EXPECT_EQ(load(), (BackgroundItemsLoadResult{{}, Status::directoryEntryLimitExceeded(), {}}));
}

// A per-user archive of exactly `size` bytes (0: as small as it comes); a padding text in its top-level
// dictionary makes up the size.
Bytes archiveOfSize(std::size_t size) {
  PropertyList archive = testing::scopeArchive(kOtherScope, {{.identifier = "8.com.x"}});
  if (size == 0) return bytesOf(archive);
  std::size_t padding = size;
  for (int attempt = 0; attempt < 8; ++attempt) {
    PlistDictionary d = *archive.asDictionary();
    d.emplace_back("padding", std::string(padding, 'p'));
    auto bytes = bytesOf(d);
    if (bytes.size() == size) return bytes;
    padding = padding + size - bytes.size();
  }
  return {};
}

TEST_F(HostileStoreTest, FileCountAndByteLimits) {
  const std::size_t max = Store::maxStoreFileBytes, twelve = 12u << 20;
  struct Case {
    const char* what;
    std::vector<std::size_t> sizes;  // one scoped store file each
    Status status;
    std::size_t records;
  };
  const std::vector<Case> cases{
      {"the 65th file is not read", std::vector<std::size_t>(65, 0), Status::degraded(16, 64, 0, true), 64},
      {"files above 16 MiB are skipped", {max, max + 1}, Status::degraded(16, 1, 1, false), 1},
      {"32 MiB are read at most", {max, max, 0}, Status::degraded(16, 2, 0, true), 2},
      {"a file that no longer fits is skipped", {twelve, twelve, twelve, 0}, Status::degraded(16, 3, 1, false), 3},
  };
  std::map<std::size_t, Bytes> made;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folder);
    for (std::size_t i = 0; i < c.sizes.size(); ++i) {
      auto [at, added] = made.try_emplace(c.sizes[i]);
      if (added) {
        at->second = archiveOfSize(c.sizes[i]);
        ASSERT_TRUE(c.sizes[i] == 0 || at->second.size() == c.sizes[i]) << at->second.size();
      }
      write(scopedName(static_cast<int>(i)), at->second);
    }
    auto result = load();
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.records.size(), c.records);
  }
}

}  // namespace
}  // namespace corvane
