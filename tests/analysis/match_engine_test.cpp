#include "corvane/analysis/match_engine.h"

#include <gtest/gtest.h>

#include <map>
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

AppIdentity identity(std::string name, std::optional<std::string> bundle = {}, std::optional<std::string> signing = {},
                     std::optional<std::string> team = {}) {
  return {std::move(name), std::move(bundle), std::move(signing), std::move(team), {}, std::nullopt, std::nullopt};
}

const std::string kHome = "/Users/me/Library/";
const Line kCacheLocation{EvidenceKind::location, "This is an app-scoped cache location.", 12};
const Line kExactBundle{EvidenceKind::bundleIdentifier,
                        "Named exactly for this app's bundle identifier com.example.app.", 70};
const Line kBundleFamily{EvidenceKind::relatedComponent,
                         "Part of this app's identifier family - a helper or component of com.example.app.", 55};

// Each identity signal on its own and in combination: its sentences, the capped score and the two flags.
// (The assess command's tests pin further cases: a bundle identifier's exact and family matches, the team alone.)
TEST(MatchEngineTest, AssessmentsNameEverySignalThatMatched) {
  const Line preferenceLocation{EvidenceKind::location, "This is an app-scoped preference location.", 12};
  const Line exactSigning{EvidenceKind::signingIdentifier,
                          "Named exactly for this app's signing identifier com.example.app.helper.", 60};
  const Line nameContained{EvidenceKind::appName, "The filename contains the normalized application name.", 26};
  const Line team{EvidenceKind::teamIdentifier,
                  "This group container carries developer team ID abcde12345; team IDs can be shared across a "
                  "vendor's apps.",
                  35};
  const AppIdentity bundle = identity("", "com.example.app");
  const AppIdentity teamOnly = identity("", std::nullopt, std::nullopt, "ABCDE12345");
  const std::string group = kHome + "Group Containers/ABCDE12345";
  struct Case {
    std::string path;
    AppIdentity id;
    FindingKind kind;
    std::vector<Line> expected;
    int score;
    bool exact, sharedTeamOnly;
  };
  const std::vector<Case> cases = {
      // Only a strippable extension leaves the identifier itself.
      {kHome + "Preferences/Com.Example.App.plist", bundle, FindingKind::preference,
       {kExactBundle, preferenceLocation}, 82, true, false},
      // A parent folder named for the identifier matches everything inside.
      {kHome + "Containers/com.example.app/Data/Library/Caches/x.db", bundle, FindingKind::other, {kExactBundle}, 70,
       true, false},
      {kHome + "Caches/com.example.appx", bundle, FindingKind::other, {}, 0, false, false},
      // A signing identifier equal to the bundle identifier, ignoring case, is not counted twice.
      {kHome + "Caches/com.example.app", identity("", "com.example.app", "COM.EXAMPLE.APP"), FindingKind::other,
       {kExactBundle}, 70, true, false},
      {kHome + "Caches/com.example.app.Helper", identity("Example", "com.example.app", "com.example.app.helper"),
       FindingKind::cache, {kBundleFamily, exactSigning, nameContained, kCacheLocation}, 100, true, false},
      // The signing identifier is quoted as written.
      {"/Library/Logs/abcd.com.vendor.tool-2024", identity("", std::nullopt, "ABCD.com.vendor.Tool"), FindingKind::log,
       {{EvidenceKind::relatedComponent, "Part of this app's signing-identifier family (ABCD.com.vendor.Tool).", 48}},
       48, false, false},
      // An empty bundle identifier is no identifier: the signing identifier still counts.
      {"/Library/Logs/ABCD.com.vendor.tool", identity("", std::string(), "ABCD.com.vendor.Tool"), FindingKind::log,
       {{EvidenceKind::signingIdentifier, "Named exactly for this app's signing identifier ABCD.com.vendor.Tool.", 60}},
       60, true, false},
      // The team counts only for group containers, and is the only signal only when nothing else matched.
      {group + ".shared", teamOnly, FindingKind::applicationSupport, {}, 0, false, false},
      {group + ".com.example.app.shared", identity("", "ABCDE12345.com.example.app", std::nullopt, "abcde12345"),
       FindingKind::groupContainer,
       {{EvidenceKind::relatedComponent,
         "Part of this app's identifier family - a helper or component of ABCDE12345.com.example.app.", 55},
        team},
       90, false, false},
      {kHome + "Group Containers/Example Suite ABCDE12345",
       identity("Example Suite", std::nullopt, std::nullopt, "ABCDE12345"), FindingKind::groupContainer,
       {nameContained, team}, 61, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto a = MatchEngine::assess(Url::fileURL(c.path), c.id, c.kind);
    EXPECT_EQ(lines(a), c.expected);
    EXPECT_EQ(a.score, c.score);
    EXPECT_EQ(a.hasExactIdentitySignal, c.exact);
    EXPECT_EQ(a.sharedTeamOnly, c.sharedTeamOnly);
  }
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
      {"e\xCC\x81te\xCC\x81", "e\xCC\x81te\xCC\x81", {}},  // été: three characters, five scalars
      {"Word", "word.txt", {equals}},
      {"My App", "My App.json", {equals}},  // any extension is removed, not only strippable ones
      {"My App", "My App.tar.gz", {contains}},
      {"Sketch Up", "SketchUp Backups", {contains}},
      {"Sketch Up", "Sketch", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.appName) + " / " + c.file);
    auto a = MatchEngine::assess(Url::fileURL(std::string("/Library/Application Support/") + c.file),
                                 identity(c.appName), FindingKind::applicationSupport);
    EXPECT_EQ(lines(a), c.expected);
    EXPECT_FALSE(a.hasExactIdentitySignal);
  }
}

// The location entry is added even when nothing else matched, and only for app-scoped kinds.
TEST(MatchEngineTest, LocationEntryNamesEveryAppScopedKind) {
  const std::map<FindingKind, std::string> scoped = {
      {FindingKind::cache, "This is an app-scoped cache location."},
      {FindingKind::preference, "This is an app-scoped preference location."},
      {FindingKind::container, "This is an app-scoped container location."},
      {FindingKind::savedState, "This is an app-scoped saved state location."},
      {FindingKind::webData, "This is an app-scoped web data location."},
      {FindingKind::appScript, "This is an app-scoped application script location."},
  };
  for (FindingKind kind : kAllFindingKinds) {
    SCOPED_TRACE(std::string(caseName(kind)));
    std::vector<Line> expected;
    if (auto it = scoped.find(kind); it != scoped.end()) expected.emplace_back(EvidenceKind::location, it->second, 12);
    EXPECT_EQ(lines(MatchEngine::assess(Url::fileURL("/somewhere/unrelated"), AppIdentity{}, kind)), expected);
  }
}

}  // namespace
}  // namespace corvane
