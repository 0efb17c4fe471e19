#include <gtest/gtest.h>


#include "cli/cli_capture.h"

namespace corvane {
namespace {

testing::CliOutput assess(std::vector<std::string> args) {
  args.insert(args.begin(), "assess");
  return testing::runCli(args);
}

TEST(AssessCommandTest, PrintsEvidenceScoreFlagsAndTier) {
  auto r = assess({"/Users/me/Library/Caches/com.example.app", "--name", "Example", "--bundle-id", "com.example.app",
                   "--kind", "cache"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "Path: /Users/me/Library/Caches/com.example.app\n"
            "Kind: Cache\n"
            "Evidence:\n"
            "  +70  Named exactly for this app's bundle identifier com.example.app.\n"
            "  +26  The filename contains the normalized application name.\n"
            "  +12  This is an app-scoped cache location.\n"
            "Score: 100\n"
            "Exact identity signal: yes\n"
            "Shared team only: no\n"
            "Tier: Safe to Remove\n");
}

TEST(AssessCommandTest, ProtectedAndRunningFeedTheTierRule) {
  const std::vector<std::string> base = {"/Library/Caches/com.example.app", "--name", "Ex", "--bundle-id",
                                         "com.example.app", "--kind", "cache"};
  auto tierOf = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = base;
    args.insert(args.end(), extra.begin(), extra.end());
    auto r = assess(args);
    EXPECT_EQ(r.status, 0);
    auto at = r.out.find("Tier: ");
    return at == std::string::npos ? std::string() : r.out.substr(at);
  };
  EXPECT_EQ(tierOf({}), "Tier: Safe to Remove\n");
  EXPECT_EQ(tierOf({"--protected"}), "Tier: Probably Leftover\n");
  EXPECT_EQ(tierOf({"--running"}), "Tier: In Use\n");
  EXPECT_EQ(tierOf({"--protected", "--running"}), "Tier: In Use\n");
}

TEST(AssessCommandTest, GroupContainerWithOnlyTheTeam) {
  auto r = assess({"/Users/me/Library/Group Containers/ABCDE12345.shared", "--name", "Example", "--team-id",
                   "ABCDE12345", "--kind", "groupContainer"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Path: /Users/me/Library/Group Containers/ABCDE12345.shared\n"
            "Kind: Group Container\n"
            "Evidence:\n"
            "  +35  This group container carries developer team ID abcde12345; team IDs can be shared across a "
            "vendor's apps.\n"
            "Score: 35\n"
            "Exact identity signal: no\n"
            "Shared team only: yes\n"
            "Tier: Review\n");
}

TEST(AssessCommandTest, NoEvidenceAndTheDefaultKind) {
  auto r = assess({"/tmp/unrelated", "--name", ""});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Path: /tmp/unrelated\nKind: Other\nEvidence: none\nScore: 0\nExact identity signal: no\n"
            "Shared team only: no\nTier: Review\n");
}

TEST(AssessCommandTest, JsonKeepsTheKeyOrder) {
  auto r = assess({"/Users/me/Library/Preferences/com.example.app.json", "--name", "Example", "--bundle-id",
                   "com.example.app", "--signing-id", "com.example.app", "--kind", "preference", "--json"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "{\n"
            "  \"evidence\": [\n"
            "    {\n"
            "      \"kind\": \"Related helper or component\",\n"
            "      \"explanation\": \"Part of this app's identifier family - a helper or component of "
            "com.example.app.\",\n"
            "      \"weight\": 55\n"
            "    },\n"
            "    {\n"
            "      \"kind\": \"Application name\",\n"
            "      \"explanation\": \"The filename contains the normalized application name.\",\n"
            "      \"weight\": 26\n"
            "    },\n"
            "    {\n"
            "      \"kind\": \"Known location\",\n"
            "      \"explanation\": \"This is an app-scoped preference location.\",\n"
            "      \"weight\": 12\n"
            "    }\n"
            "  ],\n"
            "  \"score\": 93,\n"
            "  \"hasExactIdentitySignal\": false,\n"
            "  \"sharedTeamOnly\": false,\n"
            "  \"confidence\": \"Probably Leftover\"\n"
            "}\n");
}

TEST(AssessCommandTest, JsonWithNoEvidenceHasAnEmptyList) {
  auto r = assess({"/tmp/x", "--name", "Nothing Here", "--json"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "{\n  \"evidence\": [],\n  \"score\": 0,\n  \"hasExactIdentitySignal\": false,\n"
            "  \"sharedTeamOnly\": false,\n  \"confidence\": \"Review\"\n}\n");
}

TEST(AssessCommandTest, UsageErrorsPrintOneLineAndNothingElse) {
  const std::vector<std::vector<std::string>> bad = {
      {"/tmp/x", "--name", "A", "--kind", "Cache"},   // a string value, not a case name
      {"/tmp/x", "--name", "A", "--kind", "bogus"},
      {"/tmp/x"},                                       // no --name
      {"--name", "A"},                                  // no PATH
      {"/tmp/x", "/tmp/y", "--name", "A"},
      {"relative/path", "--name", "A"},
      {"/tmp/x", "--name", "A", "--verbose"},
      {"/tmp/x", "--name"},
  };
  for (const auto& args : bad) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    SCOPED_TRACE(joined);
    auto r = assess(args);
    EXPECT_EQ(r.status, 64);
    EXPECT_EQ(r.out, "");
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);  // exactly one line
    EXPECT_EQ(r.err.rfind("corvane assess: ", 0), 0u);
  }
  EXPECT_EQ(assess({"/tmp/x", "--name", "A", "--kind", "bogus"}).err,
            "corvane assess: unknown kind bogus (usage: corvane assess PATH --name NAME [--bundle-id ID] "
            "[--signing-id ID] [--team-id ID] [--kind KIND] [--protected] [--running] [--json])\n");
}

}  // namespace
}  // namespace corvane
