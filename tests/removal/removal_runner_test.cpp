#include "corvane/removal_runner.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include "removal/recording_runner.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::RecordingRunner;

const Url kTrash = Url::fileURL("/Users/me/.Trash");

// The system's move to Trash, writing "move PATH" into the log it shares with the runner. Items whose
// path is in `refuse` fail.
class RecordingMover : public TrashMoving {
 public:
  explicit RecordingMover(std::shared_ptr<std::vector<std::string>> sharedLog) : log(std::move(sharedLog)) {}
  std::shared_ptr<std::vector<std::string>> log;
  std::set<std::string> refuse;

  Result<std::optional<Url>> moveToTrash(const Url& url) override {
    log->push_back("move " + url.path());
    if (refuse.count(url.path())) return Error::fromErrno(EACCES, "move to Trash", url.path());
    return std::optional<Url>(kTrash.appending(url.lastPathComponent()));
  }
};

FileFinding finding(const std::string& path, FindingKind kind) {
  FileFinding f;
  f.url = Url::fileURL(path);
  f.kind = kind;
  return f;
}

class RemovalRunnerTest : public ::testing::Test {
 protected:
  std::shared_ptr<std::vector<std::string>> log = std::make_shared<std::vector<std::string>>();
  std::shared_ptr<RecordingRunner> launchctl = std::make_shared<RecordingRunner>(log);
  std::shared_ptr<RecordingMover> mover = std::make_shared<RecordingMover>(log);
  AppIdentity identity{"Drop", "com.example.drop", std::nullopt, std::nullopt, {},
                       std::vector<std::string>{"com.example.drop.agent", "com.example.drop.login"}, std::nullopt};

  RemovalRunner runner() {
    TrashService service(
        mover, [](const Url&) { return RemovalFailureContext(true, false, false, true, false); },
        [](const Url&, const Url&) -> Status { return Error::fromErrno(EXDEV, "rename", ""); }, kTrash,
        [](const Url&) { return false; });
    return RemovalRunner(service, BackgroundServiceController(launchctl, 501));
  }

  void registerServices() {
    for (const char* label : {"com.example.drop.agent", "com.example.drop.login"}) {
      launchctl->answers[std::string("print gui/501/") + label] = {0, ""};
      launchctl->answers[std::string("bootout gui/501/") + label] = {0, ""};
    }
  }
};

TEST_F(RemovalRunnerTest, NothingSelectedDoesNothing) {
  auto transaction = runner().perform({}, identity);
  EXPECT_EQ(transaction, RemovalRunner::Transaction{});
  EXPECT_TRUE(log->empty());
}

TEST_F(RemovalRunnerTest, ServicesArePausedBeforeAnythingMovesAndTheAppMovesLast) {
  registerServices();
  auto app = finding("/Applications/Drop.app", FindingKind::application);
  auto cache = finding("/Users/me/Library/Caches/com.example.drop", FindingKind::cache);
  auto agent = finding("/Users/me/Library/LaunchAgents/com.example.drop.agent.plist", FindingKind::launchAgent);
  auto transaction = runner().perform({app, cache, agent}, identity);

  EXPECT_EQ(*log, (std::vector<std::string>{
                      "print gui/501/com.example.drop.agent", "bootout gui/501/com.example.drop.agent",
                      "disable gui/501/com.example.drop.agent", "print gui/501/com.example.drop.login",
                      "bootout gui/501/com.example.drop.login", "disable gui/501/com.example.drop.login",
                      "move /Users/me/Library/LaunchAgents/com.example.drop.agent.plist",
                      "move /Users/me/Library/Caches/com.example.drop", "move /Applications/Drop.app"}));
  EXPECT_EQ(transaction.orderedURLs, (std::vector<Url>{agent.url, cache.url, app.url}));
  ASSERT_EQ(transaction.backgroundOperations.size(), 2u);
  EXPECT_EQ(transaction.backgroundOperations[0].serviceIdentifier, "com.example.drop.agent");
  EXPECT_TRUE(transaction.backgroundOperations[0].paused);
  EXPECT_EQ(transaction.backgroundOperations[1].serviceIdentifier, "com.example.drop.login");
  ASSERT_EQ(transaction.trashOperations.size(), 3u);
  EXPECT_EQ(transaction.trashOperations[2].originalURL, app.url);
  EXPECT_EQ(transaction.trashOperations[2].trashedURL, kTrash.appending("Drop.app"));
  EXPECT_TRUE(transaction.trashOperations[2].succeeded);
}

TEST_F(RemovalRunnerTest, WhetherServicesArePausedFollowsTheApplication) {
  registerServices();
  auto cache = finding("/Users/me/Library/Caches/com.example.drop", FindingKind::cache);
  auto app = finding("/Applications/Drop.app", FindingKind::application);

  // Leftovers alone leave the services running, unless the caller says the app goes too.
  EXPECT_TRUE(runner().perform({cache}, identity).backgroundOperations.empty());
  EXPECT_EQ(runner().perform({}, identity, true).backgroundOperations.size(), 2u);
  EXPECT_TRUE(runner().perform({app}, identity, false).backgroundOperations.empty());
  EXPECT_EQ(runner().perform({app}, identity).backgroundOperations.size(), 2u);

  AppIdentity noServices = identity;
  noServices.backgroundServiceIdentifiers.reset();
  log->clear();
  EXPECT_TRUE(runner().perform({}, noServices, true).backgroundOperations.empty());
  EXPECT_TRUE(log->empty());
}

TEST_F(RemovalRunnerTest, RefusedFindingsFollowTheMovesAndAReplacedAppPausesNothing) {
  registerServices();
  testing::TemporaryFolder tmp;
  const std::string appPath = testing::SampleMac::makeFolder(tmp.path() + "/Drop.app");
  const std::string cachePath = testing::SampleMac::makeFolder(tmp.path() + "/Caches/com.example.drop");
  const std::string logPath = testing::SampleMac::writeFile(tmp.path() + "/Logs/Drop.log");
  const std::string gonePath = testing::SampleMac::writeFile(tmp.path() + "/Preferences/com.example.drop.plist");
  auto make = [](const std::string& path, FindingKind kind) {
    return FileFinding::make(Url::fileURL(path), kind, FindingConfidence::safeToRemove, 90, {}, std::nullopt,
                             std::nullopt, false, std::nullopt);
  };
  auto app = make(appPath, FindingKind::application);
  auto cache = make(cachePath, FindingKind::cache);
  auto logFile = make(logPath, FindingKind::log);
  auto gone = make(gonePath, FindingKind::preference);
  ASSERT_TRUE(app.diskIdentity && cache.diskIdentity && logFile.diskIdentity && gone.diskIdentity);

  // The bundle is replaced by a new one of the same name; the log is written to (still the same file);
  // the preferences file is deleted.
  testing::SampleMac::makeFolder(tmp.path() + "/Drop.app.new");
  fs::remove_all(appPath);
  fs::rename(tmp.path() + "/Drop.app.new", appPath);
  testing::SampleMac::writeFile(logPath, "more lines\n");
  fs::remove(gonePath);

  auto transaction = runner().perform({app, gone, cache, logFile}, identity);
  EXPECT_TRUE(transaction.backgroundOperations.empty());
  EXPECT_EQ(*log, (std::vector<std::string>{"move " + cache.url.path(), "move " + logFile.url.path()}));
  EXPECT_EQ(transaction.orderedURLs, (std::vector<Url>{cache.url, logFile.url}));
  ASSERT_EQ(transaction.trashOperations.size(), 4u);
  EXPECT_TRUE(transaction.trashOperations[0].succeeded);
  EXPECT_TRUE(transaction.trashOperations[1].succeeded);
  const TrashOperation& replaced = transaction.trashOperations[2];
  EXPECT_EQ(replaced.originalURL, app.url);
  EXPECT_FALSE(replaced.succeeded);
  EXPECT_EQ(replaced.failureReason, RemovalFailureReason::changedSinceAnalysis);
  EXPECT_EQ(replaced.errorDescription,
            "It changed after it was analyzed, so it was left where it is. Analyze again to review it.");
  const TrashOperation& missing = transaction.trashOperations[3];
  EXPECT_EQ(missing.originalURL, gone.url);
  EXPECT_EQ(missing.failureReason, RemovalFailureReason::itemMissing);
  EXPECT_EQ(missing.errorDescription, "It was no longer there when removal ran.");
  EXPECT_TRUE(fs::exists(appPath));
}

TEST_F(RemovalRunnerTest, AFailedMoveIsOneFailedOperationAmongTheOthers) {
  auto cache = finding("/Users/me/Library/Caches/com.example.drop", FindingKind::cache);
  auto prefs = finding("/Users/me/Library/Preferences/com.example.drop.plist", FindingKind::preference);
  mover->refuse.insert(cache.url.path());
  auto transaction = runner().perform({prefs, cache}, identity);
  ASSERT_EQ(transaction.trashOperations.size(), 2u);
  EXPECT_EQ(transaction.trashOperations[0].originalURL, cache.url);
  EXPECT_FALSE(transaction.trashOperations[0].succeeded);
  EXPECT_EQ(transaction.trashOperations[0].failureReason, RemovalFailureReason::needsAdministrator);
  EXPECT_TRUE(transaction.trashOperations[1].succeeded);
}

TEST(RemovalRunnerRecord, MakeRecordCopiesTheTransaction) {
  AnalysisSnapshot before;
  before.identity.name = "Drop";
  before.identity.bundleIdentifier = "com.example.drop";
  before.createdAt = Date{std::chrono::seconds{1'800'000'000}};
  AnalysisSnapshot after;
  after.identity = before.identity;
  RemovalRunner::Transaction transaction;
  transaction.trashOperations = {TrashOperation::success(Url::fileURL("/a"), Url::fileURL("/t/a")),
                                 TrashOperation::failure(Url::fileURL("/b"), "gone", RemovalFailureReason::itemMissing)};
  transaction.orderedURLs = {Url::fileURL("/a")};
  const Date when{std::chrono::seconds{1'800'000'100}};

  UninstallRecord record = RemovalRunner::makeRecord(transaction, before, after, when);
  EXPECT_EQ(record.createdAt, when);
  EXPECT_EQ(record.identity, before.identity);
  EXPECT_EQ(record.preRemovalSnapshot, before);
  EXPECT_EQ(record.operations, transaction.trashOperations);
  EXPECT_EQ(record.postRemovalSnapshot, after);
  // No services paused is an empty list, not an absent one.
  EXPECT_EQ(record.backgroundServiceOperations, std::vector<BackgroundServiceOperation>{});
  EXPECT_EQ(record.followUpSnapshot, std::nullopt);
  EXPECT_EQ(record.succeededCount(), 1);
  EXPECT_NE(RemovalRunner::makeRecord(transaction, before, std::nullopt, when).id, record.id);
  EXPECT_EQ(RemovalRunner::makeRecord(transaction, before, std::nullopt, when).postRemovalSnapshot, std::nullopt);
}

TEST(RemovalTrashRefresh, OnlyAMoveWithAKnownTrashLocationCounts) {
  auto landed = TrashOperation::success(Url::fileURL("/a"), Url::fileURL("/t/a"));
  auto unknown = TrashOperation::success(Url::fileURL("/b"), std::nullopt);
  auto failed = TrashOperation::failure(Url::fileURL("/c"), "no", RemovalFailureReason::other);
  EXPECT_FALSE(RemovalTrashRefresh::movedItemsToTrash({}));
  EXPECT_FALSE(RemovalTrashRefresh::movedItemsToTrash({unknown, failed}));
  EXPECT_TRUE(RemovalTrashRefresh::movedItemsToTrash({failed, landed}));
}

}  // namespace
}  // namespace corvane
