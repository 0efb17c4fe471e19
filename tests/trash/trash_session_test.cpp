#include "corvane/trash/trash_session.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::SampleMac;

class TrashSessionTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp{"trash-session"};
  SampleMac mac{tmp.path()};
  Layout layout = Layout::at(mac.root(), mac.home());
  std::string trash = layout.userTrash();
  HistoryStore history{HistoryFileManager::system(), layout};
  TrashSession session{layout, TrashCollaborators{}, history};

  // `count` files in the Trash, "f0", "f1", ...
  std::vector<std::string> fill(int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) paths.push_back(SampleMac::writeFile(trash + "/f" + std::to_string(i), "12345"));
    return paths;
  }
};

TEST_F(TrashSessionTest, TheConfirmationAsksForThePhraseOnlyForASelectionOverTheLimit) {
  struct Case {
    const char* name;
    TrashAction action;
    int items;
    bool dryRun;
    TrashConfirmation expected;
  };
  const Case cases[] = {
      {"one item", TrashAction::deleteSelection, 1, false, TrashConfirmation::yesNo},
      {"at the limit", TrashAction::deleteSelection, ConfirmationPolicy::kTypedPhraseItemThreshold, false,
       TrashConfirmation::yesNo},
      {"past the limit", TrashAction::deleteSelection, ConfirmationPolicy::kTypedPhraseItemThreshold + 1, false,
       TrashConfirmation::typedPhrase},
      {"a dry run", TrashAction::deleteSelection, ConfirmationPolicy::kTypedPhraseItemThreshold + 1, true,
       TrashConfirmation::none},
      {"emptying past the limit", TrashAction::empty, ConfirmationPolicy::kTypedPhraseItemThreshold + 1, false,
       TrashConfirmation::yesNo},
      {"putting back", TrashAction::putBack, 3, false, TrashConfirmation::none},
      {"an empty Trash", TrashAction::empty, 0, false, TrashConfirmation::none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(trash);
    SampleMac::makeFolder(trash);
    std::vector<std::string> paths = fill(c.items);
    TrashRequest request{c.action, c.action == TrashAction::empty ? std::vector<std::string>{} : paths, false, c.dryRun};
    const TrashPlan plan = session.plan(request);
    ASSERT_EQ(plan.kind, TrashPlan::Kind::ready);
    EXPECT_EQ(plan.confirmation, c.expected);
    EXPECT_EQ(plan.rows.size(), static_cast<std::size_t>(c.items));
    if (c.action != TrashAction::putBack) {
      EXPECT_EQ(plan.counts.admittedCount, c.items);
    }
    EXPECT_EQ(SampleMac::entryNames(trash).size(), static_cast<std::size_t>(c.items));  // planning only reads
  }
}

TEST_F(TrashSessionTest, APathOutsideOrTwiceRefusesAllAndALinkOutIsRefusedByItself) {
  const std::string kept = SampleMac::writeFile(mac.user("Documents/kept.txt"), "keep");
  const std::string item = fill(1).front();
  std::filesystem::create_symlink(mac.user("Documents"), trash + "/out");
  const struct {
    std::vector<std::string> paths;
    TrashPlan::Kind kind;
    std::string refused;
  } refusals[] = {{{item, item}, TrashPlan::Kind::givenTwice, item},
                  {{item, kept}, TrashPlan::Kind::notInTrash, kept}};
  for (const auto& r : refusals) {
    const TrashPlan plan = session.plan({TrashAction::deleteSelection, r.paths});
    EXPECT_EQ(plan.kind, r.kind);
    EXPECT_EQ(plan.refused, r.refused);
    EXPECT_EQ(session.perform(plan).deletion.outcomes, std::vector<ItemOutcome>{});
  }

  const std::string through = trash + "/out/kept.txt", gone = trash + "/gone";
  const TrashPlan plan = session.plan({TrashAction::deleteSelection, {item, through, gone}});
  ASSERT_EQ(plan.kind, TrashPlan::Kind::ready);
  EXPECT_EQ(plan.unsafe, std::vector<std::string>{through});
  EXPECT_EQ(plan.missing, std::vector<std::string>{gone});
  const TrashResult result = session.perform(plan);
  ASSERT_EQ(result.deletion.outcomes.size(), 3u);
  EXPECT_EQ(result.deletion.outcomes[0].kind, ItemOutcome::Kind::deleted);
  EXPECT_EQ(result.deletion.outcomes[1], ItemOutcome::skippedUnsafe(through, SkipReason::notInTrashAfterRealpath));
  EXPECT_EQ(result.deletion.outcomes[2], ItemOutcome::alreadyGone(gone));
  EXPECT_FALSE(result.succeeded());
  EXPECT_EQ(SampleMac::readFile(kept), "keep");
  EXPECT_EQ(SampleMac::entryNames(trash), std::set<std::string>{"out"});
}

TEST_F(TrashSessionTest, PutBackRefusesWhatHasNoRecordAndSaysSoPerItem) {
  SampleMac::writeFile(trash + "/Folder/inner.txt", "i");
  const std::string inner = trash + "/Folder/inner.txt", gone = trash + "/gone";
  const TrashPlan plan = session.plan({TrashAction::putBack, {inner, gone}});
  ASSERT_EQ(plan.kind, TrashPlan::Kind::ready);
  EXPECT_EQ(plan.unrecorded, std::vector<std::string>{inner});
  const TrashResult result = session.perform(plan);
  EXPECT_EQ(result.putBack,
            (std::vector<PutBackItem>{{inner, "inner.txt", RestoreOutcome::rejected(RestoreRejection::destParentMissing)},
                                      {gone, "gone", RestoreOutcome::sourceGone()}}));
  EXPECT_FALSE(result.succeeded());
  EXPECT_EQ(SampleMac::readFile(inner), "i");
}

}  // namespace
}  // namespace corvane
