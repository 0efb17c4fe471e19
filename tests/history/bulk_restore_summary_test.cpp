// The sentence shown after putting items back.

#include <gtest/gtest.h>

#include "corvane/history/bulk_restore_summary.h"

namespace corvane {
namespace {

using R = RestoreOutcome;
using Rejection = RestoreRejection;

TEST(BulkRestoreSummaryTest, OneItemSentences) {
  const std::vector<std::pair<R, std::string>> cases{
      {R::restored("/Users/me/Docs/a.txt", RestoreStrategy::rename), "Put 'a.txt' back to /Users/me/Docs."},
      {R::restored("/Users/me/Docs/a (restored).txt", RestoreStrategy::copyVerifyRemove),
       "Put 'a.txt' back to /Users/me/Docs as 'a (restored).txt', because an item with that name was already there."},
      {R::sourceRemoveFailed("/Users/me/Docs/a.txt"),
       "Put 'a.txt' back to /Users/me/Docs, but a copy still remains in the Trash."},
      {R::failed("Trash unavailable"), "Couldn't put back 'a.txt': Trash unavailable."},
      {R::copyFailed("write"), "Couldn't copy 'a.txt' to its original location. Nothing was removed."},
      {R::sourceGone(), "'a.txt' is no longer in the Trash."},
      {R::rejected(Rejection::sourceNotInTrash), "'a.txt' is no longer in the Trash."},
      {R::destTaken(), "Can't put back 'a.txt': a file with that name was just created at the destination."},
      {R::rejected(Rejection::destinationUntrusted),
       "Can't put back 'a.txt': its original location is not a safe destination."},
      {R::rejected(Rejection::restoreIntoTrash), "Can't put back 'a.txt': its original location is inside the Trash."},
      {R::rejected(Rejection::destParentMissing), "Can't put back 'a.txt': its original folder no longer exists."},
      {R::rejected(Rejection::destParentNotDir), "Can't put back 'a.txt': its original folder is invalid."},
      {R::rejected(Rejection::destParentSymlink), "Can't put back 'a.txt': its original folder is invalid."},
      {R::rejected(Rejection::destNotWritable), "Can't put back 'a.txt': its original folder is not writable."},
      {R::rejected(Rejection::noFreeName), "Can't put back 'a.txt': too many name collisions at the destination."},
  };
  for (const auto& [outcome, sentence] : cases) {
    SCOPED_TRACE(sentence);
    EXPECT_EQ(BulkRestoreSummary::single(outcome, "a.txt"), sentence);
    EXPECT_EQ(BulkRestoreSummary::message({{"a.txt", outcome}}), sentence);
  }
}

TEST(BulkRestoreSummaryTest, SeveralItemsAreCounted) {
  const R back = R::restored("/d/a", RestoreStrategy::rename);
  const R renamed = R::restored("/d/b (restored)", RestoreStrategy::rename);
  const R left = R::sourceRemoveFailed("/d/c");
  const R failed = R::failed("x");
  const std::vector<std::pair<std::vector<NamedRestoreOutcome>, std::string>> cases{
      {{}, "Put back 0 items."},
      {{{"a", back}, {"b", renamed}, {"c", failed}},
       "Put back 2 items. 1 could not be restored and remain in the Trash. 1 was renamed because an item with the "
       "same name was already there."},
      {{{"a", failed}, {"b", failed}}, "Couldn't put back 2 items. They remain in the Trash."},
      {{{"c", left}, {"y", renamed}, {"z", renamed}},
       "Put back 3 items. 2 were renamed because items with the same names were already there."},
      {{{"a", back}, {"b", failed}, {"c", failed}}, "Put back 1 item. 2 could not be restored and remain in the Trash."},
  };
  for (const auto& [results, sentence] : cases) {
    SCOPED_TRACE(sentence);
    EXPECT_EQ(BulkRestoreSummary::message(results), sentence);
  }
}

TEST(BulkRestoreSummaryTest, RestoredAnApplicationNeedsARestoredAppPath) {
  EXPECT_TRUE(BulkRestoreSummary::restoredAnApplication(
      {{"x", R::failed("n")}, {"Tool.APP", R::sourceRemoveFailed("/Applications/Tool.APP")}}));
  EXPECT_FALSE(BulkRestoreSummary::restoredAnApplication({{"Tool.app", R::destTaken()}}));
  EXPECT_FALSE(BulkRestoreSummary::restoredAnApplication(
      {{"notes.app.txt", R::restored("/d/notes.app.txt", RestoreStrategy::rename)}}));
}

}  // namespace
}  // namespace corvane
