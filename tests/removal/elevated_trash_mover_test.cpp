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
class ScriptedRunner {
 public:
  std::vector<std::string> commands;
  PrivilegedRunResult answer;
  std::function<void()> effect;

  PrivilegedRunResult run(const std::string& commandLine) {
    commands.push_back(commandLine);
    if (effect) effect();
    return answer;
  }
};

PrivilegedShellRunner through(std::shared_ptr<ScriptedRunner> runner) {
  return {[runner](const std::string& commandLine) { return runner->run(commandLine); }};
}

class ElevatedTrashMoverTest : public ::testing::Test {
 protected:
  std::shared_ptr<ScriptedRunner> runner = std::make_shared<ScriptedRunner>();
  std::map<std::string, std::uint64_t> disk;  // existing path -> inode
  std::map<std::string, ElevationCandidate> candidates;
  std::vector<std::string> removedFolders;
  std::uint64_t nextInode = 100;

  // A root-owned bundle at `path` that exists on the fake disk.
  Url bundle(const std::string& path) {
    candidates[path] = ElevationCandidate{path, true, false, false};
    disk[path] = nextInode++;
    return Url::fileURL(path);
  }
  // What the command does for one bundle bound for `trashName`: into its staging folder.
  void stage(const std::string& from, const std::string& trashName) {
    disk["/Users/me/.Trash/" + trashName + "-moving"] = nextInode++;
    disk["/Users/me/.Trash/" + trashName + "-moving/" + Url::fileURL(from).lastPathComponent()] = disk.at(from);
    disk.erase(from);
  }

  ElevatedTrashMover mover() {
    ElevatedTrashMover m(
        through(runner), kTrash,
        [this](const Url& url) {
          auto found = candidates.find(url.path());
          return found != candidates.end() ? found->second : ElevationCandidate{url.path(), false, false, false};
        },
        [this](const Url& url) { return disk.count(url.path()) != 0; }, Layout::at("/", "/Users/me"));
    m.uid = 501;
    m.gid = 20;
    m.identityAt = [this](const Url& url) -> std::optional<DiskIdentity> {
      auto found = disk.find(url.path());
      if (found == disk.end()) return std::nullopt;
      return DiskIdentity{1, found->second, 0x4000};
    };
    m.renameExclusive = [this](const Url& from, const Url& to) -> Status {
      if (disk.count(to.path()) != 0) return Error::fromErrno(EEXIST, "rename", from.path());
      if (disk.count(from.path()) == 0) return Error::fromErrno(ENOENT, "rename", from.path());
      disk[to.path()] = disk[from.path()];
      disk.erase(from.path());
      return Ok{};
    };
    m.removeEmptyFolder = [this](const Url& folder) {
      removedFolders.push_back(folder.path());
      disk.erase(folder.path());
    };
    m.stagingName = [](const std::string& trashName) { return trashName + "-moving"; };
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
  disk["/Users/me/.Trash/Tool.app"] = 1;
  runner->effect = [this] {
    stage("/Applications/Tool.app", "Tool 2.app");
    stage("/Applications/Utilities/Util.app", "Util.app");
  };

  auto ops = mover().moveToTrash({tool, nested, util});
  ASSERT_EQ(runner->commands.size(), 1u);
  EXPECT_EQ(runner->commands[0],
            "/bin/mkdir -m 700 -- '/Users/me/.Trash/Tool 2.app-moving'"
            " && /bin/mv -n -- '/Applications/Tool.app' '/Users/me/.Trash/Tool 2.app-moving/Tool.app'"
            " && /usr/sbin/chown -R -- 501:20 '/Users/me/.Trash/Tool 2.app-moving'"
            " && /bin/mkdir -m 700 -- '/Users/me/.Trash/Util.app-moving'"
            " && /bin/mv -n -- '/Applications/Utilities/Util.app' '/Users/me/.Trash/Util.app-moving/Util.app'"
            " && /usr/sbin/chown -R -- 501:20 '/Users/me/.Trash/Util.app-moving'");
  ASSERT_EQ(ops.size(), 3u);
  expectMoved(ops[0], tool, "/Users/me/.Trash/Tool 2.app");
  expectFailure(ops[1], nested, "Only a top-level application bundle can be removed this way.");
  expectMoved(ops[2], util, "/Users/me/.Trash/Util.app");
  EXPECT_EQ(removedFolders,
            (std::vector<std::string>{"/Users/me/.Trash/Tool 2.app-moving", "/Users/me/.Trash/Util.app-moving"}));
  EXPECT_EQ(disk, (std::map<std::string, std::uint64_t>{{"/Applications/Vendor/Tool.app", 102},
                                                        {"/Users/me/.Trash/Tool 2.app", 100},
                                                        {"/Users/me/.Trash/Tool.app", 1},
                                                        {"/Users/me/.Trash/Util.app", 101}}));
}

TEST_F(ElevatedTrashMoverTest, ACancelledPromptMovesNothingAndIneligibleItemsKeepTheirReasons) {
  Url a = bundle("/Applications/A.app");
  Url notes = bundle("/Applications/Notes.txt");
  Url b = bundle("/Applications/B.app");
  runner->answer = PrivilegedRunResult::userCancelled();
  auto ops = mover().moveToTrash({a, notes, b});
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(runner->commands.size(), 1u);
  expectFailure(ops[0], a, "Administrator removal was cancelled. Nothing was moved.");
  expectFailure(ops[1], notes, "Only application bundles can be removed with administrator rights here.");
  expectFailure(ops[2], b, "Administrator removal was cancelled. Nothing was moved.");
}

TEST_F(ElevatedTrashMoverTest, AFailureHalfWayReportsEachBundleFromTheDisk) {
  for (PrivilegedRunResult failure :
       {PrivilegedRunResult::executionFailed("mv: cannot move"), PrivilegedRunResult::helperUnreachable("gone"),
        PrivilegedRunResult::helperIndeterminate("unknown"),
        PrivilegedRunResult::failure(Error::fromErrno(EIO, "run"))}) {
    disk.clear();
    Url a = bundle("/Applications/A.app");
    Url b = bundle("/Applications/B.app");
    runner->effect = [this] { stage("/Applications/A.app", "A.app"); };
    runner->answer = failure;
    auto ops = mover().moveToTrash({a, b});
    ASSERT_EQ(ops.size(), 2u);
    expectMoved(ops[0], a, "/Users/me/.Trash/A.app");
    expectFailure(ops[1], b, "The administrator removal did not complete.");
  }
}

TEST_F(ElevatedTrashMoverTest, OnlyTheBundleItselfCountsAndATakenNameIsNeverEntered) {
  Url a = bundle("/Applications/A.app");
  Url b = bundle("/Applications/B.app");
  Url c = bundle("/Applications/C.app");
  runner->effect = [this] {
    // A arrives, but while the prompt was up a folder took its name.
    stage("/Applications/A.app", "A.app");
    disk["/Users/me/.Trash/A.app"] = 7;
    // Something else is where B should be; B stayed put.
    disk["/Users/me/.Trash/B.app-moving/B.app"] = 8;
    // C's staging folder was made, then the command stopped.
    disk["/Users/me/.Trash/C.app-moving"] = 9;
  };
  auto ops = mover().moveToTrash({a, b, c});
  ASSERT_EQ(ops.size(), 3u);
  expectMoved(ops[0], a, "/Users/me/.Trash/A 2.app");
  expectFailure(ops[1], b, "The item could not be moved with administrator rights.");
  expectFailure(ops[2], c, "The item could not be moved with administrator rights.");
  EXPECT_EQ(disk.at("/Users/me/.Trash/A.app"), 7u);
  EXPECT_EQ(disk.at("/Users/me/.Trash/A 2.app"), 100u);
  EXPECT_EQ(disk.count("/Users/me/.Trash/A.app/A.app"), 0u);
  EXPECT_EQ(disk.at("/Applications/B.app"), 101u);
  EXPECT_EQ(disk.count("/Users/me/.Trash/C.app-moving"), 0u);

  // A bundle that cannot be given any name stays in the Trash, in its staging folder, and says so.
  disk.clear();
  Url d = bundle("/Applications/D.app");
  runner->effect = [this] { stage("/Applications/D.app", "D.app"); };
  ElevatedTrashMover m = mover();
  m.renameExclusive = [](const Url& from, const Url&) -> Status { return Error::fromErrno(EACCES, "rename", from.path()); };
  auto kept = m.moveToTrash({d});
  ASSERT_EQ(kept.size(), 1u);
  expectMoved(kept[0], d, "/Users/me/.Trash/D.app-moving/D.app");
}

TEST_F(ElevatedTrashMoverTest, AnItemListedTwiceIsMovedOnceAndReportedTwice) {
  Url a = bundle("/Applications/A.app");
  runner->effect = [this] { stage("/Applications/A.app", "A.app"); };
  auto ops = mover().moveToTrash({a, a});
  ASSERT_EQ(runner->commands.size(), 1u);
  EXPECT_EQ(runner->commands[0],
            "/bin/mkdir -m 700 -- '/Users/me/.Trash/A.app-moving'"
            " && /bin/mv -n -- '/Applications/A.app' '/Users/me/.Trash/A.app-moving/A.app'"
            " && /usr/sbin/chown -R -- 501:20 '/Users/me/.Trash/A.app-moving'");
  ASSERT_EQ(ops.size(), 2u);
  expectMoved(ops[0], a, "/Users/me/.Trash/A.app");
  expectMoved(ops[1], a, "/Users/me/.Trash/A.app");
  EXPECT_NE(ops[0].id, ops[1].id);
}

TEST_F(ElevatedTrashMoverTest, TheOwnerIsTheEffectiveUserAndGroupByDefault) {
  ElevatedTrashMover m = ElevatedTrashMover::system(through(runner), Layout::at("/", "/Users/me"));
  EXPECT_EQ(m.uid, platform::effectiveUserID());
  EXPECT_EQ(m.gid, platform::effectiveGroupID());
  EXPECT_EQ(m.trashDirectory, Url::fileURL("/Users/me/.Trash"));
}

}  // namespace
}  // namespace corvane
