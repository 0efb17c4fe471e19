// Which items a permanent delete may touch, when the user must type a phrase, and what a report adds up.

#include <gtest/gtest.h>

#include "corvane/trash/delete_plan.h"

namespace corvane {
namespace {

DeleteCandidate candidate(std::string path, std::optional<std::string> resolved, std::optional<std::int64_t> size = 1) {
  return {std::move(path), std::move(resolved), false, false, size, false, false, false};
}

TEST(DeletePlannerTest, AdmitsOnlyItemsStrictlyInsideATrashOnce) {
  DeleteCandidate locked = candidate("/U/.Trash/locked", "/U/.Trash/locked", 100);
  locked.hasUserImmutableFlag = locked.hasSystemBlockingFlag = true;
  DeleteCandidate cloud = candidate("/V/.Trashes/501/cloud", "/V/.Trashes/501/cloud", 500);
  cloud.isDataless = true;
  const std::vector<std::pair<DeleteCandidate, std::optional<SkipReason>>> cases{
      {candidate("/U/.Trash/a", "/U/.Trash/a", -5), std::nullopt},
      {candidate("/U/.Trash/gone", std::nullopt), SkipReason::unresolvable},
      {candidate("/U/.Trash/self", "/U/.Trash/"), SkipReason::rootItself},
      {candidate("/V/.Trashes/501", "/V/.Trashes/501"), SkipReason::rootItself},
      {candidate("/U/.Trash/link", "/U/Documents/x"), SkipReason::outsideTrash},
      {candidate("/U/.Trash/../Documents/x", "/U/.Trash/../Documents/x"), SkipReason::outsideTrash},
      {candidate("/U/.Trash/alias", "/U/.Trash//a"), SkipReason::duplicateInPlan},
      {candidate("/V/.Trashes/501/b", "/V/.Trashes/501/b", std::nullopt), std::nullopt},
      {cloud, std::nullopt},
      {locked, std::nullopt},
  };
  std::vector<DeleteCandidate> candidates;
  for (const auto& c : cases) candidates.push_back(c.first);
  const DeletePlan plan = DeletePlanner::plan(candidates, {"/U/.Trash", "/V/.Trashes/501"}, DeleteMode::forceEmpty);
  ASSERT_EQ(plan.items.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].first.path);
    EXPECT_EQ(plan.items[i].skip, cases[i].second);
    EXPECT_EQ(plan.items[i].admitted, !cases[i].second.has_value());
    EXPECT_EQ(plan.items[i].needsForce && plan.items[i].systemBlocked, i + 1 == cases.size());
  }
  EXPECT_EQ(plan.admitted().size(), 4u);
  EXPECT_EQ(plan.totalAdmittedBytes(), 100);  // the negative size counts as 0, the dataless one not at all
  EXPECT_EQ(plan.unmeasuredCount(), 2);

  // Only a selection asks for the phrase; the request carries the plan's figures and the blockers.
  const BlockerBreakdown blockers{1, 0, 2, 0, 0};
  EXPECT_EQ(ConfirmationPolicy::request(plan, blockers, "Trash"),
            (ConfirmationRequest{DeleteMode::forceEmpty, "Trash", 4, 100, 2, blockers, false, std::nullopt}));
  // The phrase from the 101st item or the 1,000,000,001st byte.
  const std::tuple<std::size_t, std::int64_t, bool> selections[] = {
      {100, 1, false}, {101, 1, true}, {2, 500'000'000, false}, {1, 1'000'000'000, false}, {1, 1'000'000'001, true}};
  for (const auto& [count, bytes, asks] : selections) {
    std::vector<DeleteCandidate> many(count, candidate("/U/.Trash/x", std::nullopt, bytes));
    for (std::size_t i = 0; i < many.size(); ++i) many[i].resolvedPath = "/U/.Trash/" + std::to_string(i);
    for (auto mode : {DeleteMode::normalEmpty, DeleteMode::forceEmpty, DeleteMode::deleteSelection})
      EXPECT_EQ(ConfirmationPolicy::request(DeletePlanner::plan(many, {"/U/.Trash"}, mode), {}, "").phrase,
                mode == DeleteMode::deleteSelection && asks ? std::optional<std::string>("Delete Permanently")
                                                            : std::nullopt)
          << count << " x " << bytes;
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
  EXPECT_EQ(countLabel(1, "item") + ", " + countLabel(0, "item") + ", " + countLabel(3, "item"), "1 item, 0 items, 3 items");
  EXPECT_EQ(countLabel(2, "child", "children") + ", " + countLabel(1, "child", "children"), "2 children, 1 child");
}

}  // namespace
}  // namespace corvane
