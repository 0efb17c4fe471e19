#include "corvane/evidence_classifier.h"

#include <gtest/gtest.h>

#include "corvane/grading.h"

namespace corvane {
namespace {

using C = FindingConfidence;
using EvidenceClassifier::tier;

TEST(EvidenceClassifierTest, SevenKindsMayBeSafe) {
  std::vector<FindingKind> eligible;
  for (FindingKind kind : kAllFindingKinds)
    if (EvidenceClassifier::isSafeEligible(kind)) eligible.push_back(kind);
  EXPECT_EQ(eligible, (std::vector<FindingKind>{FindingKind::application, FindingKind::cache, FindingKind::preference,
                                                FindingKind::container, FindingKind::appScript, FindingKind::plugin,
                                                FindingKind::framework}));
}

TEST(EvidenceClassifierTest, OrdinaryLocationThresholds) {
  struct Case {
    int score;
    bool exact;
    FindingKind kind;
    C expected;
  } cases[] = {
      {75, true, FindingKind::cache, C::safeToRemove},
      {100, true, FindingKind::framework, C::safeToRemove},
      {74, true, FindingKind::cache, C::probablyLeftover},
      {75, false, FindingKind::cache, C::probablyLeftover},           // no exact signal
      {100, true, FindingKind::log, C::probablyLeftover},             // kind not eligible
      {100, true, FindingKind::groupContainer, C::probablyLeftover},
      {100, true, FindingKind::savedState, C::probablyLeftover},
      {52, false, FindingKind::other, C::probablyLeftover},
      {51, true, FindingKind::cache, C::review},
      {0, false, FindingKind::cache, C::review},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.score) + " " + std::string(caseName(c.kind)));
    EXPECT_EQ(tier(c.score, c.exact, c.kind, false, false, false), c.expected);
  }
}

TEST(EvidenceClassifierTest, ProtectedLocationsNeverReachSafe) {
  EXPECT_EQ(tier(100, true, FindingKind::cache, true, false, false), C::probablyLeftover);
  EXPECT_EQ(tier(65, false, FindingKind::launchDaemon, true, false, false), C::probablyLeftover);
  EXPECT_EQ(tier(64, true, FindingKind::cache, true, false, false), C::review);
  EXPECT_EQ(tier(52, true, FindingKind::cache, true, false, false), C::review);
}

TEST(EvidenceClassifierTest, RunningWinsAndReviewCapLowersRemovableGrades) {
  EXPECT_EQ(tier(100, true, FindingKind::cache, false, true, false), C::inUse);
  EXPECT_EQ(tier(0, false, FindingKind::other, true, true, true), C::inUse);  // the cap leaves "In Use" alone
  EXPECT_EQ(tier(100, true, FindingKind::cache, false, false, true), C::review);
  EXPECT_EQ(tier(60, false, FindingKind::cache, false, false, true), C::review);
  EXPECT_EQ(tier(70, true, FindingKind::cache, true, false, true), C::review);
  EXPECT_EQ(tier(10, false, FindingKind::cache, false, false, true), C::review);
}

TEST(EvidenceClassifierTest, GradingConstants) {
  EXPECT_EQ(grading::kSafeToRemoveMinimumScore, 75);
  EXPECT_EQ(grading::kProbablyLeftoverMinimumScore, 52);
  EXPECT_EQ(grading::kProtectedProbablyLeftoverMinimumScore, 65);
  EXPECT_EQ(grading::kAgeEvidencePoints, 3);
  EXPECT_EQ(grading::kAgeThresholdDays, 180);
  EXPECT_EQ(grading::cappedScore(153), 100);
  EXPECT_EQ(grading::cappedScore(99), 99);
}

}  // namespace
}  // namespace corvane
