// The removal runner: the order of pauses and moves with stand-ins (whole uninstalls on the sample Mac are
// checked through the uninstall session).

#include "corvane/removal/removal_runner.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "removal/recording_runner.h"

namespace corvane {
namespace {

using testing::RecordingRunner;

const Url kTrash = Url::fileURL("/Users/me/.Trash");

// The system's move to Trash, writing "move PATH" into the log it shares with the runner.
TrashMoving recordingMover(std::shared_ptr<std::vector<std::string>> log) {
  return {[log](const Url& url) -> Result<std::optional<Url>> {
    log->push_back("move " + url.path());
    return std::optional<Url>(kTrash.appending(url.lastPathComponent()));
  }};
}

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
  TrashMoving mover = recordingMover(log);
  AppIdentity identity{"Drop", "com.example.drop", std::nullopt, std::nullopt, {},
                       std::vector<std::string>{"com.example.drop.agent", "com.example.drop.login"}, std::nullopt};
  FileFinding app = finding("/Applications/Drop.app", FindingKind::application);
  FileFinding cache = finding("/Users/me/Library/Caches/com.example.drop", FindingKind::cache);

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

TEST_F(RemovalRunnerTest, WhetherServicesArePausedFollowsTheApplication) {
  EXPECT_EQ(runner().perform({}, identity), RemovalRunner::Transaction{});
  EXPECT_TRUE(log->empty());
  registerServices();
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
