#include "corvane/elevated_trash_mover.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/fs_ops.h"

namespace corvane {
namespace {

const Url kTrash = Url::fileURL("/Users/me/.Trash");

// Records every command; answers with a fixed outcome after an optional effect on the fake disk.
class ScriptedRunner : public PrivilegedShellRunning {
 public:
  std::vector<std::string> commands;
  PrivilegedRunResult answer = Ok{};
  std::function<void()> effect;

  PrivilegedRunResult run(const std::string& commandLine) override {
    commands.push_back(commandLine);
    if (effect) effect();
    return answer;
  }
};

class ElevatedTrashMoverTest : public ::testing::Test {
 protected:
  std::shared_ptr<ScriptedRunner> runner = std::make_shared<ScriptedRunner>();
  std::set<std::string> disk;  // existing paths
  std::map<std::string, ElevationCandidate> candidates;

  // A root-owned bundle at `path` that exists on the fake disk.
  Url bundle(const std::string& path) {
    candidates[path] = ElevationCandidate{path, true, false, false};
    disk.insert(path);
    return Url::fileURL(path);
  }
  void moveOnDisk(const std::string& from, const std::string& to) {
    disk.erase(from);
    disk.insert(to);
  }

  ElevatedTrashMover mover() {
    ElevatedTrashMover m(
        runner, kTrash,
        [this](const Url& url) {
          auto found = candidates.find(url.path());
          return found != candidates.end() ? found->second : ElevationCandidate{url.path(), false, false, false};
        },
        [this](const Url& url) { return disk.count(url.path()) != 0; }, Layout::at("/", "/Users/me"));
    m.uid = 501;
    m.gid = 20;
    return m;
  }
};

void expectFailure(const TrashOperation& op, const Url& url, const std::string& text) {
  EXPECT_EQ(op.originalURL, url);
  EXPECT_FALSE(op.succeeded);
  EXPECT_FALSE(op.trashedURL.has_value());
  EXPECT_EQ(op.errorDescription, text);
  EXPECT_EQ(op.failureReason, RemovalFailureReason::needsAdministrator);
}

void expectMoved(const TrashOperation& op, const Url& url, const std::string& landed) {
  EXPECT_EQ(op.originalURL, url);
  EXPECT_TRUE(op.succeeded);
  EXPECT_EQ(op.trashedURL, Url::fileURL(landed));
  EXPECT_FALSE(op.errorDescription.has_value());
  EXPECT_FALSE(op.failureReason.has_value());
}

TEST_F(ElevatedTrashMoverTest, AnItemTheUserOwnsNeverShowsAPrompt) {
  Url owned = Url::fileURL("/Applications/Mine.app");
  candidates[owned.path()] = ElevationCandidate{owned.path(), true, false, true};
  auto ops = mover().moveToTrash({owned});
  ASSERT_EQ(ops.size(), 1u);
  expectFailure(ops[0], owned, "You already own this item; it does not need administrator rights.");
  EXPECT_TRUE(runner->commands.empty());
  EXPECT_TRUE(mover().moveToTrash({}).empty());
  EXPECT_TRUE(runner->commands.empty());
}

TEST_F(ElevatedTrashMoverTest, OneCommandForTheWholeBatchAndEachMoveVerifiedOnDisk) {
  Url tool = bundle("/Applications/Tool.app");
  Url util = bundle("/Applications/Utilities/Util.app");
  Url nested = bundle("/Applications/Vendor/Tool.app");
  disk.insert("/Users/me/.Trash/Tool.app");
  runner->effect = [this] {
    moveOnDisk("/Applications/Tool.app", "/Users/me/.Trash/Tool 2.app");
    moveOnDisk("/Applications/Utilities/Util.app", "/Users/me/.Trash/Util.app");
  };

  auto ops = mover().moveToTrash({tool, nested, util});
  ASSERT_EQ(runner->commands.size(), 1u);
  EXPECT_EQ(runner->commands[0],
            "/bin/mv -n -- '/Applications/Tool.app' '/Users/me/.Trash/Tool 2.app'"
            " && /usr/sbin/chown -R -- 501:20 '/Users/me/.Trash/Tool 2.app'"
            " && /bin/mv -n -- '/Applications/Utilities/Util.app' '/Users/me/.Trash/Util.app'"
            " && /usr/sbin/chown -R -- 501:20 '/Users/me/.Trash/Util.app'");
  ASSERT_EQ(ops.size(), 3u);
  expectMoved(ops[0], tool, "/Users/me/.Trash/Tool 2.app");
  expectFailure(ops[1], nested, "Only a top-level application bundle can be removed this way.");
  expectMoved(ops[2], util, "/Users/me/.Trash/Util.app");
}

TEST_F(ElevatedTrashMoverTest, ACancelledPromptMovesNothingAndIneligibleItemsKeepTheirReasons) {
  Url a = bundle("/Applications/A.app");
  Url notes = bundle("/Applications/Notes.txt");
  Url b = bundle("/Applications/B.app");
  runner->answer = PrivilegedRemovalError::userCancelled();
  auto ops = mover().moveToTrash({a, notes, b});
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(runner->commands.size(), 1u);
  expectFailure(ops[0], a, "Administrator removal was cancelled. Nothing was moved.");
  expectFailure(ops[1], notes, "Only application bundles can be removed with administrator rights here.");
  expectFailure(ops[2], b, "Administrator removal was cancelled. Nothing was moved.");
}

TEST_F(ElevatedTrashMoverTest, AFailureHalfWayReportsEachBundleFromTheDisk) {
  Url a = bundle("/Applications/A.app");
  Url b = bundle("/Applications/B.app");
  runner->effect = [this] { moveOnDisk("/Applications/A.app", "/Users/me/.Trash/A.app"); };
  for (PrivilegedRunResult failure :
       {PrivilegedRunResult(PrivilegedRemovalError::executionFailed("mv: cannot move")),
        PrivilegedRunResult(PrivilegedRemovalError::helperUnreachable("gone")),
        PrivilegedRunResult(PrivilegedRemovalError::helperIndeterminate("unknown")),
        PrivilegedRunResult(Error::fromErrno(EIO, "run"))}) {
    disk = {"/Applications/A.app", "/Applications/B.app"};
    runner->answer = failure;
    auto ops = mover().moveToTrash({a, b});
    ASSERT_EQ(ops.size(), 2u);
    expectMoved(ops[0], a, "/Users/me/.Trash/A.app");
    expectFailure(ops[1], b, "The administrator removal did not complete.");
  }
}

TEST_F(ElevatedTrashMoverTest, ACommandThatSucceedsWithoutMovingIsStillAFailure) {
  Url a = bundle("/Applications/A.app");
  Url b = bundle("/Applications/B.app");
  // The destination appeared but the source is still there: not moved.
  runner->effect = [this] { disk.insert("/Users/me/.Trash/B.app"); };
  auto ops = mover().moveToTrash({a, b});
  ASSERT_EQ(ops.size(), 2u);
  expectFailure(ops[0], a, "The item could not be moved with administrator rights.");
  expectFailure(ops[1], b, "The item could not be moved with administrator rights.");
}

TEST_F(ElevatedTrashMoverTest, AnItemListedTwiceIsMovedOnceAndReportedTwice) {
  Url a = bundle("/Applications/A.app");
  runner->effect = [this] { moveOnDisk("/Applications/A.app", "/Users/me/.Trash/A.app"); };
  auto ops = mover().moveToTrash({a, a});
  ASSERT_EQ(runner->commands.size(), 1u);
  EXPECT_EQ(runner->commands[0],
            "/bin/mv -n -- '/Applications/A.app' '/Users/me/.Trash/A.app'"
            " && /usr/sbin/chown -R -- 501:20 '/Users/me/.Trash/A.app'");
  ASSERT_EQ(ops.size(), 2u);
  expectMoved(ops[0], a, "/Users/me/.Trash/A.app");
  expectMoved(ops[1], a, "/Users/me/.Trash/A.app");
  EXPECT_NE(ops[0].id, ops[1].id);
}

TEST_F(ElevatedTrashMoverTest, TheOwnerIsTheEffectiveUserAndGroupByDefault) {
  ElevatedTrashMover m = ElevatedTrashMover::system(runner, Layout::at("/", "/Users/me"));
  EXPECT_EQ(m.uid, platform::effectiveUserID());
  EXPECT_EQ(m.gid, platform::effectiveGroupID());
  EXPECT_EQ(m.trashDirectory, Url::fileURL("/Users/me/.Trash"));
}

}  // namespace
}  // namespace corvane
