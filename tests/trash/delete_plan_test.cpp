// Which items a permanent delete may touch, when the user must type a phrase, and what a report adds up.

#include <gtest/gtest.h>

#include "corvane/trash/delete_plan.h"

namespace corvane {
namespace {

DeleteCandidate candidate(std::string path, std::optional<std::string> resolved, std::optional<std::int64_t> size = 1) {
  DeleteCandidate c;
  c.path = std::move(path);
  c.resolvedPath = std::move(resolved);
  c.sizeBytes = size;
  return c;
}

TEST(DeletePlannerTest, AdmitsOnlyItemsStrictlyInsideATrashOnce) {
  const std::vector<std::string> roots{"/Users/u/.Trash", "/Volumes/D/.Trashes/501"};
  DeleteCandidate locked = candidate("/Users/u/.Trash/locked", "/Users/u/.Trash/locked");
  locked.hasUserImmutableFlag = true;
  locked.hasSystemBlockingFlag = true;
  const std::vector<std::pair<DeleteCandidate, std::optional<SkipReason>>> cases{
      {candidate("/Users/u/.Trash/a", "/Users/u/.Trash/a"), std::nullopt},
      {candidate("/Users/u/.Trash/gone", std::nullopt), SkipReason::unresolvable},
      {candidate("/Users/u/.Trash/self", "/Users/u/.Trash/"), SkipReason::rootItself},
      {candidate("/Volumes/D/.Trashes/501", "/Volumes/D/.Trashes/501"), SkipReason::rootItself},
      {candidate("/Users/u/.Trash/link", "/Users/u/Documents/x"), SkipReason::outsideTrash},
      {candidate("/Users/u/.Trash/../Documents/x", "/Users/u/.Trash/../Documents/x"), SkipReason::outsideTrash},
      {candidate("/Users/u/.Trash/alias", "/Users/u/.Trash/a"), SkipReason::duplicateInPlan},
      {candidate("/Volumes/D/.Trashes/501/b", "/Volumes/D/.Trashes/501/b"), std::nullopt},
      {locked, std::nullopt},
  };
  std::vector<DeleteCandidate> candidates;
  for (const auto& c : cases) candidates.push_back(c.first);
  const DeletePlan plan = DeletePlanner::plan(candidates, roots, DeleteMode::forceEmpty);
  EXPECT_EQ(plan.mode, DeleteMode::forceEmpty);
  ASSERT_EQ(plan.items.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].first.path);
    EXPECT_EQ(plan.items[i].candidate, cases[i].first);
    EXPECT_EQ(plan.items[i].skip, cases[i].second);
    EXPECT_EQ(plan.items[i].admitted, !cases[i].second.has_value());
  }
  EXPECT_FALSE(plan.items[0].needsForce);
  EXPECT_TRUE(plan.items.back().needsForce);
  EXPECT_TRUE(plan.items.back().systemBlocked);
  EXPECT_EQ(plan.admitted().size(), 3u);
}

TEST(DeletePlannerTest, AdmittedBytesLeaveOutUnmeasuredItems) {
  DeleteCandidate dataless = candidate("/T/cloud", "/T/cloud", 500);
  dataless.isDataless = true;
  const DeletePlan plan = DeletePlanner::plan({candidate("/T/a", "/T/a", 100), candidate("/T/b", "/T/b", -5),
                                               candidate("/T/c", "/T/c", std::nullopt), dataless,
                                               candidate("/x", "/x", 1000)},
                                              {"/T"}, DeleteMode::deleteSelection);
  EXPECT_EQ(plan.totalAdmittedBytes(), 100);
  EXPECT_EQ(plan.unmeasuredCount(), 2);
}

TEST(ConfirmationPolicyTest, TypedPhraseAboveTheThresholdsOfASelection) {
  struct Case {
    int items;
    std::int64_t bytesEach;
    DeleteMode mode;
    bool phrase;
  };
  const std::vector<Case> cases{
      {100, 10000000, DeleteMode::deleteSelection, false}, {101, 1, DeleteMode::deleteSelection, true},
      {1, 1000000001, DeleteMode::deleteSelection, true},  {1, 1000000000, DeleteMode::deleteSelection, false},
      {101, 1, DeleteMode::forceEmpty, false},             {1, 1000000001, DeleteMode::normalEmpty, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.items) + " x " + std::to_string(c.bytesEach));
    std::vector<DeleteCandidate> candidates;
    for (int i = 0; i < c.items; ++i) {
      const std::string path = "/T/" + std::to_string(i);
      candidates.push_back(candidate(path, path, c.bytesEach));
    }
    const BlockerBreakdown blockers{1, 0, 2, 0, 0};
    const ConfirmationRequest request =
        ConfirmationPolicy::request(DeletePlanner::plan(candidates, {"/T"}, c.mode), blockers, "Trash");
    const ConfirmationRequest expected{c.mode, "Trash", c.items, c.items * c.bytesEach, 0, blockers, c.phrase,
                                       c.phrase ? std::optional<std::string>("Delete Permanently") : std::nullopt};
    EXPECT_EQ(request, expected);
  }
}

TEST(DeleteReportTest, DerivedCounts) {
  const DeleteReport report{DeleteMode::deleteSelection, false,
                            {ItemOutcome::deleted("/T/a", 10), ItemOutcome::wouldDelete("/T/b", 5),
                             ItemOutcome::alreadyGone("/T/c"), ItemOutcome::blocked("/T/d", BlockerKind::userLocked()),
                             ItemOutcome::blocked("/T/e", BlockerKind::runningApp("com.ex")),
                             ItemOutcome::blocked("/T/f", BlockerKind::userLocked()),
                             ItemOutcome::blocked("/T/g", BlockerKind::busy()),
                             ItemOutcome::skippedUnsafe("/x", SkipReason::outsideTrash),
                             ItemOutcome::failed("/T/h", 5, "unlink")},
                            true};
  EXPECT_EQ(report.clearedCount(), 3);
  EXPECT_EQ(report.bytesReclaimed(), 15);
  EXPECT_EQ(report.blockedCount(), 4);
  EXPECT_EQ(report.unsafeCount(), 1);
  EXPECT_EQ(report.failedCount(), 1);
  EXPECT_EQ(report.userLockedPaths(), (std::vector<std::string>{"/T/d", "/T/f"}));
  EXPECT_EQ(report.blockerBreakdown(), (BlockerBreakdown{2, 1, 0, 1, 0}));
  EXPECT_FALSE(report.fullySucceeded());
  EXPECT_TRUE((DeleteReport{DeleteMode::deleteSelection, false, {ItemOutcome::alreadyGone("/T/c")}, true}.fullySucceeded()));
  EXPECT_FALSE((DeleteReport{DeleteMode::deleteSelection, false, {}, false}.fullySucceeded()));
}

TEST(CountLabelTest, SingularPluralAndGivenPlural) {
  EXPECT_EQ(countLabel(1, "item"), "1 item");
  EXPECT_EQ(countLabel(3, "item"), "3 items");
  EXPECT_EQ(countLabel(0, "item"), "0 items");
  EXPECT_EQ(countLabel(2, "child", "children"), "2 children");
  EXPECT_EQ(countLabel(1, "child", "children"), "1 child");
}

}  // namespace
}  // namespace corvane
