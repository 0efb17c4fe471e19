#include "corvane/uninstall/restore_session.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "history/sample_records.h"
#include "platform/disk_identity.h"
#include "removal/recording_runner.h"
#include "report/restore_report.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::SampleMac;

class RestoreSessionTest : public ::testing::Test {
 protected:
  // A record of items moved from the home's Documents to its Trash; `kept` names the ones still there.
  UninstallRecord record(unsigned id, const std::vector<std::string>& moved, const std::vector<std::string>& kept) {
    UninstallRecord r = testing::sampleRecord(id, "Acme", "2026-12-01T10:00:00Z");
    r.operations = {TrashOperation::failure(Url::fileURL(mac.user("Documents/locked")), "denied",
                                            RemovalFailureReason::other)};
    for (const auto& name : moved)
      r.operations.push_back(
          TrashOperation::success(Url::fileURL(mac.user("Documents/" + name)), Url::fileURL(trash + "/" + name)));
    for (const auto& name : kept) SampleMac::writeFile(trash + "/" + name, name);
    r.backgroundServiceOperations = std::vector<BackgroundServiceOperation>{
        {sampleServiceID, "com.acme.agent", true, true, std::nullopt},
        {sampleServiceID, "com.acme.off", false, false, std::nullopt}};
    EXPECT_TRUE(history.append(r).has_value());
    return r;
  }
  RestoreSession session() {
    RestoreCollaborators c = RestoreCollaborators::system(layout);
    c.commandRunner = *runner;
    c.clock = [] { return testing::isoDate("2026-12-06T09:00:00Z"); };
    return RestoreSession(layout, std::move(c), history, facts);
  }

  testing::TemporaryFolder tmp;
  SampleMac mac{tmp.path()};
  Layout layout = Layout::at(mac.root(), mac.home());
  std::string trash = SampleMac::makeFolder(mac.user(".Trash"));
  HistoryStore history{HistoryFileManager::system(), HistoryStore::defaultURL(layout)};
  HistoryFacts facts{HistoryFileManager::system(), history.fileURL()};
  std::shared_ptr<testing::RecordingRunner> runner = std::make_shared<testing::RecordingRunner>();
  Uuid sampleServiceID = testing::sampleID(99);
};

TEST_F(RestoreSessionTest, PlansOnlyWhatIsStillInTheTrashAndSaysWhyNothing) {
  record(1, {}, {});
  record(2, {"a.txt"}, {});
  record(3, {"a.txt", "b.txt"}, {});
  const struct {
    std::string id;
    RestoreSessionPlan::Kind kind;
    std::string problem;
  } cases[] = {
      {testing::sampleID(1).toString(), RestoreSessionPlan::Kind::nothingInTrash,
       "nothing to put back: this uninstall moved nothing to the Trash"},
      {testing::sampleID(2).toString(), RestoreSessionPlan::Kind::nothingInTrash,
       "nothing to put back: the item this uninstall moved is not in the Trash any more"},
      {testing::sampleID(3).toString(), RestoreSessionPlan::Kind::nothingInTrash,
       "nothing to put back: none of the 2 items this uninstall moved is in the Trash any more"},
      {testing::sampleID(4).toString(), RestoreSessionPlan::Kind::noRecord,
       "no uninstall with id " + testing::sampleID(4).toString() + " in the history"},
      {"not-an-id", RestoreSessionPlan::Kind::noRecord, "no uninstall with id not-an-id in the history"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const RestoreSessionPlan plan = session().plan(c.id);
    EXPECT_EQ(plan.kind, c.kind);
    EXPECT_EQ(report::restorePlanProblem(plan), c.problem);
    EXPECT_EQ(session().perform(plan).kind, RestoreSessionResult::Kind::notReady);
  }
  EXPECT_TRUE(runner->log->empty());
  EXPECT_FALSE(std::filesystem::exists(HistoryFacts::sideFilePath(history.fileURL().path(), "restores")));
}

// An item of the same name that is not the one moved (the user trashed another since) is not ours to move.
TEST_F(RestoreSessionTest, ALaterItemOfTheSameNameIsNotPutBack) {
  UninstallRecord r = record(5, {"a.txt", "b.txt"}, {"a.txt"});
  const std::string moved = SampleMac::writeFile(tmp.path() + "/b-as-analysed");
  FileFinding finding = FileFinding::make(Url::fileURL(mac.user("Documents/b.txt")), FindingKind::other,
                                          FindingConfidence::review, 40, {}, 1, std::nullopt, false, std::nullopt,
                                          valueIfAny(platform::diskIdentityOf(Url::fileURL(moved))));
  ASSERT_TRUE(history.remove(r.id).has_value());
  r.preRemovalSnapshot.findings = {finding};
  ASSERT_TRUE(history.append(r).has_value());
  SampleMac::writeFile(trash + "/b.txt", "someone else's");

  const RestoreSessionPlan plan = session().plan(r.id.toString());
  ASSERT_EQ(plan.kind, RestoreSessionPlan::Kind::ready);
  EXPECT_EQ(plan.items, (std::vector<RestoreItem>{{trash + "/a.txt", "a.txt", mac.user("Documents/a.txt"),
                                                   PutBackInfo{"a.txt", mac.user("Documents"), "a.txt"}}}));
  EXPECT_EQ(plan.movedCount, 2u);
  EXPECT_EQ(plan.notInTrash(), 1u);
  EXPECT_EQ(plan.pausedServices, std::vector<std::string>{"com.acme.agent"});
}

TEST_F(RestoreSessionTest, PutsBackEachItemAndNotesTheRestore) {
  SampleMac::makeFolder(mac.user("Documents"));
  const UninstallRecord r = record(6, {"a.txt", "gone.txt", "Sub/c.txt"}, {"a.txt", "Sub/c.txt"});
  const RestoreSessionPlan plan = session().plan(r.id.toString());
  ASSERT_EQ(plan.items.size(), 2u);
  const RestoreSessionResult result = session().perform(plan);

  EXPECT_EQ(result.kind, RestoreSessionResult::Kind::noted);
  EXPECT_EQ(SampleMac::readFile(mac.user("Documents/a.txt")), "a.txt");
  EXPECT_TRUE(std::filesystem::exists(trash + "/Sub/c.txt"));  // its folder is not there to go back into
  EXPECT_FALSE(result.allBack());
  EXPECT_EQ(result.summary, "Put back 1 item. 1 could not be restored and remain in the Trash.");
  EXPECT_EQ(result.items[1].outcome, RestoreOutcome::rejected(RestoreRejection::destParentMissing));
  EXPECT_EQ(report::restoreText(result, layout),
            "  Put 'a.txt' back to ~/Documents.\n"
            "  Can't put back 'c.txt': its original folder no longer exists.\n"
            "Put back 1 item. 1 could not be restored and remain in the Trash.\n"
            "1 other item is no longer in the Trash.\n");
  EXPECT_EQ(facts.restores(r.id), (std::vector<RestoreNote>{{testing::isoDate("2026-12-06T09:00:00Z"), result.summary,
                                                             {mac.user("Documents/a.txt")}}}));
  // The agent's definition did not come back, so launchctl is not asked to turn it on.
  EXPECT_TRUE(result.services.empty());
  EXPECT_TRUE(runner->log->empty());
}

}  // namespace
}  // namespace corvane
