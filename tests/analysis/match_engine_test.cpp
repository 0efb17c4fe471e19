#include "corvane/match_engine.h"

#include <gtest/gtest.h>

#include <tuple>

namespace corvane {
namespace {

using Match = MatchEngine::IdentifierMatch;
using Line = std::tuple<EvidenceKind, std::string, int>;

std::vector<Line> lines(const MatchEngine::Assessment& assessment) {
  std::vector<Line> out;
  for (const auto& e : assessment.evidence) out.emplace_back(e.kind, e.explanation, e.weight);
  return out;
}

AppIdentity identity(std::string name, std::optional<std::string> bundle = std::nullopt,
                     std::optional<std::string> signing = std::nullopt, std::optional<std::string> team = std::nullopt) {
  AppIdentity id;
  id.name = std::move(name);
  id.bundleIdentifier = std::move(bundle);
  id.signingIdentifier = std::move(signing);
  id.teamIdentifier = std::move(team);
  return id;
}

const std::string kHome = "/Users/me/Library/";
const Line kCacheLocation{EvidenceKind::location, "This is an app-scoped cache location.", 12};
const Line kExactBundle{EvidenceKind::bundleIdentifier,
                        "Named exactly for this app's bundle identifier com.example.app.", 70};
const Line kBundleFamily{EvidenceKind::relatedComponent,
                         "Part of this app's identifier family - a helper or component of com.example.app.", 55};

TEST(MatchEngineTest, IdentifierFamilyContinuesOnlyWithDotHyphenOrUnderscore) {
  struct Case {
    const char* candidate;
    const char* target;
    Match expected;
  } cases[] = {
      {"com.example.app", "com.example.app", Match::exact},
      {"COM.Example.App", "com.example.APP", Match::exact},
      {"com.example.app.helper", "com.example.app", Match::family},
      {"com.example.app-beta", "com.example.app", Match::family},
      {"com.example.app_data", "com.example.app", Match::family},
      {"Com.Example.App.", "com.example.app", Match::family},
      {"com.example.apps", "com.example.app", Match::none},
      {"com.example.app2", "com.example.app", Match::none},
      {"com.example.app helper", "com.example.app", Match::none},
      {"com.example", "com.example.app", Match::none},
      {"x.com.example.app", "com.example.app", Match::none},
      {"\xC3\x84PP.helper", "\xC3\xA4pp", Match::family},  // ÄPP.helper against äpp
      {"", "com.example.app", Match::none},
      {"com.example.app", "", Match::none},
      {"", "", Match::none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.candidate) + " / " + c.target);
    EXPECT_EQ(MatchEngine::identifierMatch(c.candidate, c.target), c.expected);
  }
}

TEST(MatchEngineTest, CandidatesAreStemNameThenEveryComponentWithRepeats) {
  EXPECT_EQ(MatchEngine::identifierCandidates(Url::fileURL(kHome + "Preferences/com.example.app.plist")),
            (std::vector<std::string>{"com.example.app", "com.example.app.plist", "/", "Users", "me", "Library",
                                      "Preferences", "com.example.app.plist"}));
  // A folder URL with a trailing slash and an extension outside the strippable set.
  EXPECT_EQ(MatchEngine::identifierCandidates(Url::fileURL("/Library/Foo.app/")),
            (std::vector<std::string>{"Foo.app", "Foo.app", "/", "Library", "Foo.app"}));
  EXPECT_EQ(MatchEngine::identifierCandidates(Url::fileURL("/")), (std::vector<std::string>{"/", "/", "/"}));
}

TEST(MatchEngineTest, OnlyTheTenKnownExtensionsAreStrippedIgnoringCase) {
  for (const char* extension :
       {"plist", "savedState", "binarycookies", "lockfile", "cache", "log", "sfl", "sfl2", "sfl3", "SFL4", "PLIST"}) {
    SCOPED_TRACE(extension);
    EXPECT_TRUE(MatchEngine::isStrippableExtension(extension));
    auto candidates = MatchEngine::identifierCandidates(Url::fileURL("/x/com.example.app." + std::string(extension)));
    EXPECT_EQ(candidates.front(), "com.example.app");
  }
  for (const char* name : {"com.example.app.sfl5", "com.example.app.json", "com.example.app.plist.bak", ".plist"}) {
    SCOPED_TRACE(name);
    auto candidates = MatchEngine::identifierCandidates(Url::fileURL(std::string("/x/") + name));
    EXPECT_EQ(candidates[0], name);
    EXPECT_EQ(candidates[1], name);
  }
  EXPECT_FALSE(MatchEngine::isStrippableExtension(""));
}

TEST(MatchEngineTest, NormalizationKeepsLettersMarksAndNumbersOfEveryScript) {
  struct Case {
    const char* input;
    const char* expected;
  } cases[] = {
      {"My-App_2.0 (Beta)", "myapp20beta"},
      {"Caf\xC3\xA9 \xC3\x9Cn\xC3\xAF" "code 2", "caf\xC3\xA9\xC3\xBCn\xC3\xAF" "code2"},             // Café Ünïcode 2
      {"Cafe\xCC\x81 Two", "cafe\xCC\x81two"},                                                        // combining accent kept
      {"\xE3\x82\xAB\xE3\x83\xA1\xE3\x83\xA9\xE3\x83\xBB\xE3\x82\xA2\xE3\x83\x97\xE3\x83\xAA",         // カメラ・アプリ
       "\xE3\x82\xAB\xE3\x83\xA1\xE3\x83\xA9\xE3\x82\xA2\xE3\x83\x97\xE3\x83\xAA"},
      {"\xE3\x81\x8B\xE3\x82\x99\xE3\x81\x84", "\xE3\x81\x8B\xE3\x82\x99\xE3\x81\x84"},               // か + voiced mark, い
      {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\x9C\xD0\xB8\xD1\x80!",                 // Привет, Мир!
       "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\xD0\xBC\xD0\xB8\xD1\x80"},
      {"\xE0\xA4\xB9\xE0\xA4\xBF\xE0\xA4\x82\xE0\xA4\xA6\xE0\xA5\x80 \xE0\xA4\x90\xE0\xA4\xAA",       // हिंदी ऐप
       "\xE0\xA4\xB9\xE0\xA4\xBF\xE0\xA4\x82\xE0\xA4\xA6\xE0\xA5\x80\xE0\xA4\x90\xE0\xA4\xAA"},
      {"Rocket \xF0\x9F\x9A\x80 App\xE2\x84\xA2", "rocketapp"},                                         // emoji and ™ dropped
      {"\xE2\x85\xAB \xC2\xBD", "\xE2\x85\xBB\xC2\xBD"},                                                // Ⅻ ½
      {"Bad\xFFName", "badname"},
      {" .-_/:", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(MatchEngine::normalized(c.input), c.expected);
  }
}

TEST(MatchEngineTest, CacheNamedForTheBundleIdentifierIsExact) {
  auto a = MatchEngine::assess(Url::fileURL(kHome + "Caches/com.example.app"), identity("", "com.example.app"),
                               FindingKind::cache);
  EXPECT_EQ(lines(a), (std::vector<Line>{kExactBundle, kCacheLocation}));
  EXPECT_EQ(a.score, 82);
  EXPECT_TRUE(a.hasExactIdentitySignal);
  EXPECT_FALSE(a.sharedTeamOnly);
}

TEST(MatchEngineTest, PreferencesFileMatchesExactlyOnlyWithAStrippableExtension) {
  auto id = identity("", "com.example.app");
  auto plist = MatchEngine::assess(Url::fileURL(kHome + "Preferences/Com.Example.App.plist"), id,
                                   FindingKind::preference);
  const Line location{EvidenceKind::location, "This is an app-scoped preference location.", 12};
  EXPECT_EQ(lines(plist), (std::vector<Line>{kExactBundle, location}));
  EXPECT_EQ(plist.score, 82);

  auto json = MatchEngine::assess(Url::fileURL(kHome + "Preferences/com.example.app.json"), id,
                                  FindingKind::preference);
  EXPECT_EQ(lines(json), (std::vector<Line>{kBundleFamily, location}));
  EXPECT_EQ(json.score, 67);
  EXPECT_FALSE(json.hasExactIdentitySignal);
}

TEST(MatchEngineTest, ParentFolderNamedForTheIdentifierMatchesEverythingInside) {
  auto a = MatchEngine::assess(Url::fileURL(kHome + "Containers/com.example.app/Data/Library/Caches/x.db"),
                               identity("", "com.example.app"), FindingKind::other);
  EXPECT_EQ(lines(a), (std::vector<Line>{kExactBundle}));
  EXPECT_TRUE(a.hasExactIdentitySignal);

  auto none = MatchEngine::assess(Url::fileURL(kHome + "Caches/com.example.appx"), identity("", "com.example.app"),
                                  FindingKind::other);
  EXPECT_TRUE(none.evidence.empty());
  EXPECT_EQ(none.score, 0);
}

TEST(MatchEngineTest, SigningIdentifierEqualToBundleIgnoringCaseIsSkipped) {
  auto a = MatchEngine::assess(Url::fileURL(kHome + "Caches/com.example.app"),
                               identity("", "com.example.app", "COM.EXAMPLE.APP"), FindingKind::other);
  EXPECT_EQ(lines(a), (std::vector<Line>{kExactBundle}));
  EXPECT_EQ(a.score, 70);
}

TEST(MatchEngineTest, BundleFamilyAndSigningExactBothCountAndTheScoreIsCapped) {
  auto a = MatchEngine::assess(Url::fileURL(kHome + "Caches/com.example.app.Helper"),
                               identity("Example", "com.example.app", "com.example.app.helper"), FindingKind::cache);
  EXPECT_EQ(lines(a),
            (std::vector<Line>{kBundleFamily,
                               {EvidenceKind::signingIdentifier,
                                "Named exactly for this app's signing identifier com.example.app.helper.", 60},
                               {EvidenceKind::appName, "The filename contains the normalized application name.", 26},
                               kCacheLocation}));
  EXPECT_EQ(a.score, 100);
  EXPECT_TRUE(a.hasExactIdentitySignal);
}

TEST(MatchEngineTest, SigningIdentifierFamilyKeepsTheIdentifierAsWritten) {
  auto a = MatchEngine::assess(Url::fileURL("/Library/Logs/abcd.com.vendor.tool-2024"),
                               identity("", std::nullopt, "ABCD.com.vendor.Tool"), FindingKind::log);
  EXPECT_EQ(lines(a), (std::vector<Line>{{EvidenceKind::relatedComponent,
                                          "Part of this app's signing-identifier family (ABCD.com.vendor.Tool).", 48}}));
  EXPECT_FALSE(a.hasExactIdentitySignal);

  // An empty bundle identifier is no identifier: the signing identifier still counts.
  auto b = MatchEngine::assess(Url::fileURL("/Library/Logs/ABCD.com.vendor.tool"),
                               identity("", std::string(), "ABCD.com.vendor.Tool"), FindingKind::log);
  EXPECT_EQ(lines(b), (std::vector<Line>{{EvidenceKind::signingIdentifier,
                                          "Named exactly for this app's signing identifier ABCD.com.vendor.Tool.", 60}}));
}

TEST(MatchEngineTest, NameStepComparesTheNormalizedStem) {
  const Line equals{EvidenceKind::appName, "The filename exactly matches the application name.", 42};
  const Line contains{EvidenceKind::appName, "The filename contains the normalized application name.", 26};
  struct Case {
    const char* appName;
    const char* file;
    std::vector<Line> expected;
  } cases[] = {
      {"Abc", "Abc", {}},                   // three letters never match
      {"A.B.C.", "abc", {}},                // normalises to three letters
      {"e\xCC\x81te\xCC\x81", "e\xCC\x81te\xCC\x81", {}},  // été: three characters, five scalars
      {"Word", "word.txt", {equals}},
      {"My App", "My App.json", {equals}},  // any extension is removed, not only strippable ones
      {"My App", "my-app", {equals}},
      {"My App", "My App.tar.gz", {contains}},
      {"Sketch Up", "SketchUp Backups", {contains}},
      {"Sketch Up", "Sketch", {}},
      {"Caf\xC3\xA9 \xC3\x9Cn\xC3\xAF" "code 2", "CAF\xC3\x89\xC3\x9CN\xC3\x8F" "CODE2.plist", {equals}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.appName) + " / " + c.file);
    auto a = MatchEngine::assess(Url::fileURL(std::string("/Library/Application Support/") + c.file),
                                 identity(c.appName), FindingKind::applicationSupport);
    EXPECT_EQ(lines(a), c.expected);
    EXPECT_FALSE(a.hasExactIdentitySignal);
  }
}

TEST(MatchEngineTest, TeamStepOnlyForGroupContainers) {
  const Url url = Url::fileURL(kHome + "Group Containers/ABCDE12345.shared");
  auto team = MatchEngine::assess(url, identity("", std::nullopt, std::nullopt, "ABCDE12345"),
                                  FindingKind::groupContainer);
  EXPECT_EQ(lines(team), (std::vector<Line>{{EvidenceKind::teamIdentifier,
                                             "This group container carries developer team ID abcde12345; team IDs can "
                                             "be shared across a vendor's apps.",
                                             35}}));
  EXPECT_EQ(team.score, 35);
  EXPECT_TRUE(team.sharedTeamOnly);
  EXPECT_FALSE(team.hasExactIdentitySignal);

  auto elsewhere = MatchEngine::assess(url, identity("", std::nullopt, std::nullopt, "ABCDE12345"),
                                       FindingKind::applicationSupport);
  EXPECT_TRUE(elsewhere.evidence.empty());
  EXPECT_FALSE(elsewhere.sharedTeamOnly);

  auto emptyTeam = MatchEngine::assess(url, identity("", std::nullopt, std::nullopt, ""), FindingKind::groupContainer);
  EXPECT_TRUE(emptyTeam.evidence.empty());
}

TEST(MatchEngineTest, TeamIsNotTheOnlySignalWhenAnythingElseMatched) {
  const Url url = Url::fileURL(kHome + "Group Containers/ABCDE12345.com.example.app.shared");
  auto family = MatchEngine::assess(url, identity("", "ABCDE12345.com.example.app", std::nullopt, "abcde12345"),
                                    FindingKind::groupContainer);
  ASSERT_EQ(family.evidence.size(), 2u);
  EXPECT_EQ(family.evidence[1].kind, EvidenceKind::teamIdentifier);
  EXPECT_EQ(family.score, 90);
  EXPECT_FALSE(family.sharedTeamOnly);

  auto named = MatchEngine::assess(Url::fileURL(kHome + "Group Containers/Example Suite ABCDE12345"),
                                   identity("Example Suite", std::nullopt, std::nullopt, "ABCDE12345"),
                                   FindingKind::groupContainer);
  EXPECT_EQ(named.score, 26 + 35);
  EXPECT_FALSE(named.sharedTeamOnly);
}

TEST(MatchEngineTest, LocationEntryNamesEveryAppScopedKind) {
  struct Case {
    FindingKind kind;
    const char* sentence;
  } scoped[] = {
      {FindingKind::cache, "This is an app-scoped cache location."},
      {FindingKind::preference, "This is an app-scoped preference location."},
      {FindingKind::container, "This is an app-scoped container location."},
      {FindingKind::savedState, "This is an app-scoped saved state location."},
      {FindingKind::webData, "This is an app-scoped web data location."},
      {FindingKind::appScript, "This is an app-scoped application script location."},
  };
  const Url url = Url::fileURL("/somewhere/unrelated");
  for (const auto& c : scoped) {
    SCOPED_TRACE(c.sentence);
    auto a = MatchEngine::assess(url, AppIdentity{}, c.kind);  // added even when nothing else matched
    EXPECT_EQ(lines(a), (std::vector<Line>{{EvidenceKind::location, c.sentence, 12}}));
    EXPECT_EQ(a.score, 12);
  }
  for (FindingKind kind : kAllFindingKinds) {
    bool isScoped = false;
    for (const auto& c : scoped) isScoped = isScoped || c.kind == kind;
    if (isScoped) continue;
    SCOPED_TRACE(std::string(caseName(kind)));
    EXPECT_TRUE(MatchEngine::assess(url, AppIdentity{}, kind).evidence.empty());
  }
}

TEST(MatchEngineTest, OwnershipLevelUsesBothIdentifiersAndExtraCandidates) {
  const Url unrelated = Url::fileURL("/Library/Application Support/Shared");
  EXPECT_EQ(MatchEngine::ownershipLevel(unrelated, identity("Shared"), {"Shared"}), Match::none);  // no identifier
  EXPECT_EQ(MatchEngine::ownershipLevel(unrelated, identity("", "com.example.app"), {"com.example.app"}), Match::exact);
  EXPECT_EQ(MatchEngine::ownershipLevel(unrelated, identity("", "com.example.app"), {"com.example.app.agent"}),
            Match::family);
  EXPECT_EQ(MatchEngine::ownershipLevel(unrelated, identity("", "com.example.app")), Match::none);

  // A family match on the bundle identifier does not hide an exact one on the signing identifier.
  const Url helper = Url::fileURL("/Library/PrivilegedHelperTools/com.example.app.helper");
  EXPECT_EQ(MatchEngine::ownershipLevel(helper, identity("", "com.example.app", "com.example.app.helper")), Match::exact);
  EXPECT_EQ(MatchEngine::ownershipLevel(helper, identity("", "", "com.example.app")), Match::family);
}

TEST(MatchEngineTest, EmptyIdentityOnACacheGivesOnlyTheLocation) {
  auto a = MatchEngine::assess(Url::fileURL(kHome + "Caches/whatever"), AppIdentity{}, FindingKind::cache);
  EXPECT_EQ(lines(a), (std::vector<Line>{kCacheLocation}));
  EXPECT_EQ(a.score, 12);
  EXPECT_FALSE(a.hasExactIdentitySignal);
  EXPECT_FALSE(a.sharedTeamOnly);
}

}  // namespace
}  // namespace corvane
