// The tier rule and the explanation of it that people read. (The assess command's tests also pin an exact
// cache match that is Safe, Probably Leftover when protected, and In Use when running.)
#include <gtest/gtest.h>

#include "corvane/analysis/evidence_classifier.h"
#include "corvane/analysis/transparency_content.h"

namespace corvane {
namespace {

using C = FindingConfidence;

TEST(EvidenceClassifierTest, SevenKindsMayBeSafe) {
  std::vector<FindingKind> eligible;
  for (FindingKind kind : kAllFindingKinds)
    if (EvidenceClassifier::isSafeEligible(kind)) eligible.push_back(kind);
  EXPECT_EQ(eligible, (std::vector<FindingKind>{FindingKind::application, FindingKind::cache, FindingKind::preference,
                                                FindingKind::container, FindingKind::appScript, FindingKind::plugin,
                                                FindingKind::framework}));
}

TEST(EvidenceClassifierTest, TiersFollowScoreExactnessKindProtectionRunningAndTheReviewCap) {
  struct Case {
    int score;
    bool exact;
    FindingKind kind;
    bool isProtected, running, reviewCap;
    C expected;
  } cases[] = {
      {75, true, FindingKind::cache, false, false, false, C::safeToRemove},
      {74, true, FindingKind::cache, false, false, false, C::probablyLeftover},
      {75, false, FindingKind::cache, false, false, false, C::probablyLeftover},  // no exact signal
      {100, true, FindingKind::log, false, false, false, C::probablyLeftover},    // kind not eligible
      {52, false, FindingKind::other, false, false, false, C::probablyLeftover},
      {51, true, FindingKind::cache, false, false, false, C::review},
      // Protected locations never reach Safe and need a higher score for Probably Leftover.
      {65, false, FindingKind::launchDaemon, true, false, false, C::probablyLeftover},
      {64, true, FindingKind::cache, true, false, false, C::review},
      // Running wins; the review cap lowers every removable grade but leaves "In Use" alone.
      {0, false, FindingKind::other, true, true, true, C::inUse},
      {100, true, FindingKind::cache, false, false, true, C::review},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.score) + " " + std::string(caseName(c.kind)) + (c.isProtected ? " protected" : "") +
                 (c.running ? " running" : "") + (c.reviewCap ? " capped" : ""));
    EXPECT_EQ(EvidenceClassifier::tier(c.score, c.exact, c.kind, c.isProtected, c.running, c.reviewCap), c.expected);
  }
}

TEST(TransparencyContentTest, SectionsInOrderWithTheirTitlesAndTheGradingNumbers) {
  TransparencyContent content = TransparencyContent::current();
  EXPECT_EQ(content.title, "How Corvane decides what is safe");
  EXPECT_EQ(content, TransparencyContent::current());  // built afresh, the same each time
  std::vector<std::pair<int, std::string>> heads;
  for (const auto& s : content.sections) heads.emplace_back(s.id, s.title);
  EXPECT_EQ(heads, (std::vector<std::pair<int, std::string>>{{0, "Evidence, not guesswork"},
                                                             {1, "Four confidence tiers"},
                                                             {2, "What can reach Safe to Remove"},
                                                             {3, "Protected and running overrides"},
                                                             {4, "Orphans stay conservative"},
                                                             {5, "Nothing leaves without your say-so"},
                                                             {6, "Private by design"}}));
  ASSERT_EQ(content.sections.size(), 7u);
  EXPECT_EQ(content.sections[0].body,
            "Every match is scored from explicit evidence. An exact bundle or signing identifier in an app-scoped "
            "location carries the most weight; app-name similarity is weaker. Modification age adds only 3 "
            "supporting points, and only after about 180 days. Age can never establish safety on its own.");
  EXPECT_EQ(content.sections[2].body,
            "An item is marked Safe to Remove only when it has an EXACT identity match, scores at least 75, and is a "
            "user-owned kind (app bundle, caches, preferences, containers, app scripts, and plug-ins). Shared or "
            "low-value data such as logs, web data, and saved state stays at Probably Leftover even with an exact "
            "match.");
  EXPECT_EQ(content.sections[3].body,
            "System-level locations are never automatically Safe. They cap at Probably Leftover (from a score of 65) "
            "and stay non-selectable, with a note that macOS requires an administrator. If the app is running, every "
            "related item is held In Use until you quit it.");
  EXPECT_EQ(content.sections[6].body,
            "Corvane needs no account and collects no telemetry. Every analysis runs on your Mac, and the uninstall "
            "history is kept only on your Mac, in your own Library folder; nothing is sent anywhere.");
}

}  // namespace
}  // namespace corvane
