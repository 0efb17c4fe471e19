// Reading items out of one store file: the three shapes, the scope forms, item fields, sub-items, URLs.

#include <gtest/gtest.h>

#include "corvane/background_items_store.h"
#include "discovery/background_items_fixtures.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/plist_writer.h"

namespace corvane {
namespace {

using btmtest::bytesOf;
using btmtest::kOtherScope;
using btmtest::kSentinelScope;
using btmtest::kUserScope;
using testing::KeyedArchiveBuilder;
using testing::SampleBackgroundItem;
using testing::SampleScope;
using testing::ScopeForm;
using Kind = BackgroundItemScopeKind;

std::vector<BackgroundItemRecord> parse(const PropertyList& archive,
                                        const std::optional<std::string>& current = std::string(kUserScope)) {
  auto bytes = bytesOf(archive);
  return BackgroundItemsStore::parse(bytes, current);
}

SampleBackgroundItem agent(const std::string& label) {
  return {.identifier = "8." + label, .name = label, .type = 8, .disposition = 3};
}

TEST(BackgroundItemsArchive, GlobalStoreItemCarriesEveryField) {
  SampleBackgroundItem login{.identifier = "4.com.vendor.app.login",
                             .name = "Vendor Login",
                             .url = "Contents/Library/LoginItems/Vendor%20Login.app/",
                             .urlBase = "file:///Applications/Vendor%20App.app/",
                             .type = 4,
                             .disposition = 1};
  SampleBackgroundItem app{.identifier = "2.com.vendor.app",
                           .name = "Vendor App",
                           .developerName = "Vendor Inc.",
                           .teamIdentifier = "VENDOR1234",
                           .bundleIdentifier = "com.vendor.app",
                           .associatedBundleIdentifiers = {"com.vendor.app", "com.vendor.helper", "com.vendor.app"},
                           .executablePath = "Contents/MacOS/Vendor App",
                           .url = "file:///Applications/Vendor%20App.app/",
                           .container = "group.com.vendor",
                           .type = 0x10002,
                           .disposition = 0xB,
                           .subItems = {login}};
  auto records = parse(testing::globalStoreArchive({{kUserScope, {app}}}));
  ASSERT_EQ(records.size(), 1u);

  BackgroundItemRecord expectedLogin;
  expectedLogin.scopeUUID = kUserScope;
  expectedLogin.scopeKind = Kind::currentUser;
  expectedLogin.identifier = "4.com.vendor.app.login";
  expectedLogin.label = "com.vendor.app.login";
  expectedLogin.name = "Vendor Login";
  expectedLogin.registeredURLPath = "/Applications/Vendor App.app/Contents/Library/LoginItems/Vendor Login.app";
  expectedLogin.type = 4;
  expectedLogin.disposition = 1;

  BackgroundItemRecord expected;
  expected.scopeUUID = kUserScope;
  expected.scopeKind = Kind::currentUser;
  expected.identifier = "2.com.vendor.app";
  expected.label = "com.vendor.app";
  expected.name = "Vendor App";
  expected.developerName = "Vendor Inc.";
  expected.teamIdentifier = "VENDOR1234";
  expected.bundleIdentifier = "com.vendor.app";
  expected.associatedBundleIdentifiers = {"com.vendor.app", "com.vendor.helper"};
  expected.executablePath = "Contents/MacOS/Vendor App";
  expected.registeredURLPath = "/Applications/Vendor App.app";
  expected.container = "group.com.vendor";
  expected.type = 0x10002;
  expected.disposition = 0xB;
  expected.subItems = {expectedLogin};
  EXPECT_EQ(records[0], expected);

  EXPECT_EQ(records[0].typeCategory(), 2);
  EXPECT_TRUE(records[0].isEnabled());
  EXPECT_TRUE(records[0].isAllowed());
  EXPECT_FALSE(records[0].isHidden());
  EXPECT_TRUE(records[0].isNotified());
  EXPECT_TRUE(records[0].executablePathIsRelative());
  EXPECT_TRUE(records[0].isActionableScope());
  EXPECT_FALSE(records[0].isWellKnownSystemScope());
}

TEST(BackgroundItemsArchive, ScopesOfAGlobalStoreAreClassifiedInBothForms) {
  for (ScopeForm form : {ScopeForm::text, ScopeForm::uuidObject}) {
    SCOPED_TRACE(form == ScopeForm::text ? "text" : "identifier object");
    std::vector<SampleScope> scopes{{kUserScope, {agent("com.a.one")}},
                                    {kOtherScope, {agent("com.a.two")}},
                                    {kSentinelScope, {agent("com.a.three")}}};
    auto records = parse(testing::globalStoreArchive(scopes, form));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].scopeKind, Kind::currentUser);
    EXPECT_EQ(records[1].scopeKind, Kind::otherUser);
    EXPECT_EQ(records[1].scopeUUID, std::string(kOtherScope));
    EXPECT_EQ(records[2].scopeKind, Kind::systemSentinel);
    EXPECT_TRUE(records[2].isWellKnownSystemScope());
    EXPECT_FALSE(records[2].isActionableScope());

    // Without the current user's identifier no scope is anyone's in particular.
    auto anonymous = parse(testing::globalStoreArchive(scopes, form), std::nullopt);
    ASSERT_EQ(anonymous.size(), 3u);
    EXPECT_EQ(anonymous[0].scopeKind, Kind::unknown);
    EXPECT_EQ(anonymous[1].scopeKind, Kind::unknown);
    EXPECT_EQ(anonymous[2].scopeKind, Kind::systemSentinel);
  }
}

TEST(BackgroundItemsArchive, LowerCaseScopeIsUpperCasedAndMatchesTheCurrentUser) {
  auto records = parse(testing::globalStoreArchive({{" 0a1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9\n", {agent("com.x")}}}));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].scopeUUID, std::string(kUserScope));
  EXPECT_EQ(records[0].scopeKind, Kind::currentUser);
}

TEST(BackgroundItemsArchive, PerUserArchiveTakesItsScopeFromTheBody) {
  auto records = parse(testing::scopeArchive(kOtherScope, {agent("com.a.one"), agent("com.a.two")}));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].label, "com.a.one");
  EXPECT_EQ(records[1].label, "com.a.two");
  EXPECT_EQ(records[1].scopeUUID, std::string(kOtherScope));
  EXPECT_EQ(records[1].scopeKind, Kind::otherUser);
}

TEST(BackgroundItemsArchive, ShapesWithoutRecords) {
  // A scope index holds no items; an archive of another shape holds nothing we read.
  EXPECT_TRUE(parse(testing::scopeIndexArchive({kUserScope, kOtherScope})).empty());
  KeyedArchiveBuilder other;
  EXPECT_TRUE(parse(other.archive("root", other.text("x"))).empty());
  // A per-user archive whose body names no scope is not one.
  EXPECT_TRUE(parse(testing::scopeArchive(std::nullopt, {agent("com.a.one")})).empty());
  EXPECT_TRUE(parse(testing::scopeArchive("  ", {agent("com.a.one")}, ScopeForm::text)).empty());
}

TEST(BackgroundItemsArchive, ArchiverAndTopLevelKeysAreChecked) {
  KeyedArchiveBuilder a;
  PropertyList good = btmtest::oneScopeStore(a, {btmtest::bareItem(a, "8.com.x")});
  ASSERT_EQ(parse(good).size(), 1u);

  auto withEntry = [&](const std::string& key, PropertyList value) {
    PlistDictionary d = *good.asDictionary();
    for (auto& [k, v] : d)
      if (k == key) v = value;
    return PropertyList(d);
  };
  EXPECT_TRUE(parse(withEntry("$archiver", "NSArchiver")).empty());
  EXPECT_TRUE(parse(withEntry("$archiver", 1)).empty());
  EXPECT_TRUE(parse(withEntry("$objects", PlistDictionary{})).empty());
  EXPECT_TRUE(parse(withEntry("$top", PlistArray{})).empty());
}

TEST(BackgroundItemsArchive, XMLStoreReadsLikeBinary) {
  auto archive = testing::globalStoreArchive({{kUserScope, {agent("com.a.one")}}});
  std::string xml = testing::writeXMLPlist(archive);
  auto records = BackgroundItemsStore::parse(std::vector<std::uint8_t>(xml.begin(), xml.end()), std::string(kUserScope));
  EXPECT_EQ(records, parse(archive));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].label, "com.a.one");
}

TEST(BackgroundItemsArchive, ReferencesWrittenAsOneKeyDictionaries) {
  // {"CF$UID": n} stands for a reference; with a second key or a negative index it is a plain dictionary.
  KeyedArchiveBuilder a;
  PlistUID name = a.text("Named");
  PlistUID item = a.add(PlistDictionary{{"identifier", PlistDictionary{{"CF$UID", std::int64_t(a.text("8.com.x").value)}}},
                                        {"name", PlistDictionary{{"CF$UID", std::int64_t(name.value)}, {"x", 1}}},
                                        {"developerName", PlistDictionary{{"CF$UID", std::int64_t(-1)}}}});
  auto records = parse(btmtest::oneScopeStore(a, {item}));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].identifier, "8.com.x");
  EXPECT_EQ(records[0].name, std::nullopt);
  EXPECT_EQ(records[0].developerName, std::nullopt);
}

TEST(BackgroundItemsArchive, ItemNeedsAnIdentifierOrAName) {
  KeyedArchiveBuilder a;
  PlistUID nameOnly = a.add(PlistDictionary{{"name", PropertyList(a.text("Just a name"))}});
  PlistUID neither = a.add(PlistDictionary{{"developerName", PropertyList(a.text("Nobody"))}});
  PlistUID nullIdentifier = a.add(PlistDictionary{{"identifier", PropertyList(KeyedArchiveBuilder::null)}});
  PlistUID outOfRange = a.add(PlistDictionary{{"identifier", PropertyList(PlistUID{999999})}});
  PlistUID notADictionary = a.text("2.com.text.only");
  auto records = parse(btmtest::oneScopeStore(a, {nameOnly, neither, nullIdentifier, outOfRange, notADictionary}));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "Just a name");
  EXPECT_EQ(records[0].identifier, std::nullopt);
  EXPECT_EQ(records[0].label, std::nullopt);
}

TEST(BackgroundItemsArchive, NumbersAndTheirLookAlikes) {
  struct Case {
    PropertyList type;
    std::int64_t expected;
  };
  const std::vector<Case> cases{
      {PropertyList(std::int64_t(0x10008)), 0x10008}, {PropertyList(8.9), 8},       {PropertyList(-2.5), -2},
      {PropertyList(1e300), 0},                       {PropertyList(true), 0},      {PropertyList("8"), 0},
      {PropertyList(PlistArray{}), 0},
  };
  for (const auto& c : cases) {
    KeyedArchiveBuilder a;
    PlistUID number = a.add(c.type);
    auto records = parse(btmtest::oneScopeStore(a, {btmtest::bareItem(a, "8.com.x", {{"type", PropertyList(number)}})}));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, c.expected);
    EXPECT_EQ(records[0].disposition, 0);
  }
}

TEST(BackgroundItemsArchive, AssociatedIdentifiersFromTextOrCollection) {
  KeyedArchiveBuilder a;
  PlistUID one = btmtest::bareItem(a, "8.com.one", {{"associatedBundleIdentifiers", PropertyList(a.text("com.one"))}});
  PlistUID a1 = a.text("com.b");
  // Inline texts and references, "$null", a reference out of range, a number and a duplicate.
  PlistUID set = a.add(PlistDictionary{
      {"NS.objects", PlistArray{PropertyList(a1), PropertyList("com.a"), PropertyList(KeyedArchiveBuilder::null),
                                PropertyList(PlistUID{888888}), PropertyList(a.add(7)), PropertyList(a1),
                                PropertyList("com.a")}}});
  PlistUID many = btmtest::bareItem(a, "8.com.many", {{"associatedBundleIdentifiers", PropertyList(set)}});
  auto records = parse(btmtest::oneScopeStore(a, {one, many}));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].associatedBundleIdentifiers, (std::vector<std::string>{"com.one"}));
  EXPECT_EQ(records[1].associatedBundleIdentifiers, (std::vector<std::string>{"com.b", "com.a"}));
}

// The registered path of an item whose "url" is `url`.
std::optional<std::string> urlPath(KeyedArchiveBuilder& a, PropertyList url) {
  auto records = parse(btmtest::oneScopeStore(a, {btmtest::bareItem(a, "8.com.x", {{"url", std::move(url)}})}));
  if (records.size() != 1) return "no record";
  return records[0].registeredURLPath;
}

TEST(BackgroundItemsArchive, RegisteredURLForms) {
  struct Case {
    const char* relative;
    const char* base;  // nullptr: no base
    std::optional<std::string> expected;
  };
  const std::vector<Case> cases{
      {"file:///Applications/Foo.app/", nullptr, "/Applications/Foo.app"},
      {"file:///Applications/./A%20B.app/Contents/../", nullptr, "/Applications/A B.app"},
      {"Contents/Library/LoginItems/Agent.app", "file:///Applications/Foo.app/", "/Applications/Foo.app/Contents/Library/LoginItems/Agent.app"},
      {"Contents/Library/LoginItems/Agent.app", "file:///Applications/Foo.app", "/Applications/Foo.app/Contents/Library/LoginItems/Agent.app"},
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
}

TEST(BackgroundItemsArchive, RegisteredURLAsText) {
  KeyedArchiveBuilder a;
  EXPECT_EQ(urlPath(a, PropertyList(a.text("file:///Applications/Foo.app/"))), "/Applications/Foo.app");
  KeyedArchiveBuilder b;
  EXPECT_EQ(urlPath(b, PropertyList("/Applications//Foo.app/./")), "/Applications/Foo.app");
  KeyedArchiveBuilder c;
  EXPECT_EQ(urlPath(c, PropertyList(c.text("Applications/Foo.app"))), std::nullopt);
  KeyedArchiveBuilder d;
  EXPECT_EQ(urlPath(d, PropertyList(d.text("https://example.com/"))), std::nullopt);
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

}  // namespace
}  // namespace corvane
