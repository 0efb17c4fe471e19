// Moving root-owned bundles to the Trash behind one administrator prompt: the command text, the mover
// against a scripted disk, and the whole path run by a real shell against hostile names.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "corvane/discovery/command_runner.h"
#include "corvane/removal/elevated_trash_command.h"
#include "corvane/removal/elevated_trash_mover.h"
#include "platform/directory.h"
#include "platform/file_status.h"
#include "platform/fs_ops.h"
#include "sample_mac/sample_mac.h"
#include "sample_mac/tree_fingerprint.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
namespace Command = ElevatedTrashCommand;

TEST(ElevatedTrashCommandTest, QuotesEveryWordForTheShellAndTheAdministratorPrompt) {
  EXPECT_EQ(Command::shellQuote(""), "''");
  EXPECT_EQ(Command::shellQuote("It's"), "'It'\\''s'");
  EXPECT_EQ(Command::shellQuote("$(rm -rf /) `x` \"q\" \\ \n"), "'$(rm -rf /) `x` \"q\" \\ \n'");
  EXPECT_EQ(Command::appleScriptStringLiteral(""), "\"\"");
  EXPECT_EQ(Command::appleScriptStringLiteral("a\\b\"c'd"), "\"a\\\\b\\\"c'd\"");

  EXPECT_EQ(Command::command({}, 501, 20), "");
  EXPECT_EQ(Command::command({{"/Applications/A's.app", "/T/A's.app-m"}, {"/Applications/U/-B.app/", "/T/-B.app-m"}},
                             4294967295u, 0),
            "/bin/mkdir -m 700 -- '/T/A'\\''s.app-m'"
            " && ( cd -P -- '/Applications' && [ \"$(pwd -P)\" = '/Applications' ]"
            " && /bin/mv -n -- './A'\\''s.app' '/T/A'\\''s.app-m/A'\\''s.app' )"
            " && /usr/sbin/chown -R -- 4294967295:0 '/T/A'\\''s.app-m'"
            " && /bin/mkdir -m 700 -- '/T/-B.app-m'"
            " && ( cd -P -- '/Applications/U' && [ \"$(pwd -P)\" = '/Applications/U' ]"
            " && /bin/mv -n -- './-B.app' '/T/-B.app-m/-B.app' )"
            " && /usr/sbin/chown -R -- 4294967295:0 '/T/-B.app-m'");
  EXPECT_EQ(Command::appleScriptSource(Command::command({{"/Applications/Say \"Hi\".app", "/T/Back\\slash"}}, 501, 20)),
            "do shell script \"/bin/mkdir -m 700 -- '/T/Back\\\\slash'"
            " && ( cd -P -- '/Applications' && [ \\\"$(pwd -P)\\\" = '/Applications' ]"
            " && /bin/mv -n -- './Say \\\"Hi\\\".app' '/T/Back\\\\slash/Say \\\"Hi\\\".app' )"
            " && /usr/sbin/chown -R -- 501:20 '/T/Back\\\\slash'\" with administrator privileges");
}

// The command run by a shell: the bundle leaves only a folder that is the one resolved before the prompt;
// through a folder swapped for a link (here before it runs) nothing moves and the other tree stays as it was.
TEST(ElevatedTrashCommandTest, MovesOnlyFromTheResolvedFolderNeverThroughALink) {
  testing::TemporaryFolder tmp;
  const std::string top = *platform::realPath(tmp.path());
  for (const bool swapped : {false, true}) {
    SCOPED_TRACE(swapped ? "a link on the way" : "the folder itself");
    const std::string apps = top + "/Applications", other = top + "/other", staging = top + "/staging";
    for (const auto& folder : {apps + "/Tool.app", other + "/Tool.app/Contents"}) std::filesystem::create_directories(folder);
    if (swapped) {
      std::filesystem::rename(apps, top + "/real");
      std::filesystem::create_directory_symlink(other, apps);
    }
    const auto otherBefore = test_support::treeFingerprint(other);
    const std::string line = Command::command({{apps + "/Tool.app", staging}}, 0, 0);
    (void)std::system(("sh -c " + Command::shellQuote(line) + " 2>/dev/null").c_str());  // chown's path is macOS's
    EXPECT_EQ(std::filesystem::exists(staging + "/Tool.app"), !swapped);
    EXPECT_EQ(test_support::treeFingerprint(other), otherBefore);
    for (const auto& entry : std::filesystem::directory_iterator(top)) std::filesystem::remove_all(entry.path());
  }
}

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

template <typename Runner>
PrivilegedShellRunner through(std::shared_ptr<Runner> runner) {
  return {[runner](const std::string& commandLine) { return runner->run(commandLine); }};
}

class ElevatedTrashMoverTest : public ::testing::Test {
 protected:
  std::shared_ptr<ScriptedRunner> runner = std::make_shared<ScriptedRunner>();
  std::map<std::string, std::uint64_t> disk;  // existing path -> inode
  std::map<std::string, ElevationCandidate> candidates;
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
        through(runner), Url::fileURL("/Users/me/.Trash"),
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
    m.removeEmptyFolder = [this](const Url& folder) { disk.erase(folder.path()); };
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

TEST_F(ElevatedTrashMoverTest, IneligibleItemsNeverPromptAndACancelledPromptMovesNothing) {
  Url owned = Url::fileURL("/Applications/Mine.app");
  candidates[owned.path()] = ElevationCandidate{owned.path(), true, false, true};
  EXPECT_TRUE(mover().moveToTrash({}).empty());
  auto alone = mover().moveToTrash({owned});
  ASSERT_EQ(alone.size(), 1u);
  expectFailure(alone[0], owned, "You already own this item; it does not need administrator rights.");
  EXPECT_TRUE(runner->commands.empty());

  Url a = bundle("/Applications/A.app");
  Url notes = bundle("/Applications/Notes.txt");
  runner->answer = PrivilegedRunResult::userCancelled();
  auto ops = mover().moveToTrash({a, notes, owned});
  EXPECT_EQ(runner->commands.size(), 1u);
  ASSERT_EQ(ops.size(), 3u);
  expectFailure(ops[0], a, "Administrator removal was cancelled. Nothing was moved.");
  expectFailure(ops[1], notes, "Only application bundles can be removed with administrator rights here.");
  expectFailure(ops[2], owned, "You already own this item; it does not need administrator rights.");
}

TEST_F(ElevatedTrashMoverTest, OnlyTheBundleItselfCountsAndATakenNameIsNeverEntered) {
  // Whatever the runner answers (short of a cancelled prompt), the disk says what happened to each bundle.
  const char* const incomplete = "The administrator removal did not complete.";
  const struct {
    PrivilegedRunResult answer;
    const char* notMoved;
  } answers[] = {{PrivilegedRunResult::success(), "The item could not be moved with administrator rights."},
                 {PrivilegedRunResult::executionFailed("mv: cannot move"), incomplete},
                 {PrivilegedRunResult::helperUnreachable("gone"), incomplete},
                 {PrivilegedRunResult::helperIndeterminate("unknown"), incomplete},
                 {PrivilegedRunResult::failure(Error::fromErrno(EIO, "run")), incomplete}};
  for (const auto& [answer, notMoved] : answers) {
    SCOPED_TRACE(notMoved);
    disk.clear();
    nextInode = 100;
    Url a = bundle("/Applications/A.app");
    Url b = bundle("/Applications/B.app");
    Url c = bundle("/Applications/C.app");
    runner->answer = answer;
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
    expectFailure(ops[1], b, notMoved);
    expectFailure(ops[2], c, notMoved);
    EXPECT_EQ(disk.at("/Users/me/.Trash/A.app"), 7u);
    EXPECT_EQ(disk.at("/Users/me/.Trash/A 2.app"), 100u);
    EXPECT_EQ(disk.count("/Users/me/.Trash/A.app/A.app"), 0u);
    EXPECT_EQ(disk.at("/Applications/B.app"), 101u);
    EXPECT_EQ(disk.count("/Users/me/.Trash/C.app-moving"), 0u);
  }

  // A bundle that cannot be given any name stays in the Trash, in its staging folder, and says so.
  disk.clear();
  Url d = bundle("/Applications/D.app");
  runner->effect = [this] { stage("/Applications/D.app", "D.app"); };
  ElevatedTrashMover m = mover();
  m.renameExclusive = [](const Url& from, const Url&) -> Status {
    return Error::fromErrno(EACCES, "rename", from.path());
  };
  auto kept = m.moveToTrash({d});
  ASSERT_EQ(kept.size(), 1u);
  expectMoved(kept[0], d, "/Users/me/.Trash/D.app-moving/D.app");
}

// Stands in for the administrator prompt: runs the line with /bin/sh -c in a child process whose working
// folder is the sample Mac's folder (so that anything a broken quote might create lands where the test
// sees it). This machine keeps chown in /bin, so that one word is adjusted; the rest runs as written.
class ShellRunner {
 public:
  explicit ShellRunner(std::string folder) : folder_(std::move(folder)) {}
  std::vector<std::string> commands;
  std::function<void()> before;

  PrivilegedRunResult run(const std::string& commandLine) {
    commands.push_back(commandLine);
    if (before) before();
    std::string text = commandLine;
    const std::string chown = " && /usr/sbin/chown -R -- ";
    if (!fs::exists("/usr/sbin/chown")) {
      for (auto at = text.find(chown); at != std::string::npos; at = text.find(chown, at + 1))
        text.replace(at, chown.size(), " && /bin/chown -R -- ");
    }
    auto outcome = CommandRunner().runWithStatus(
        "/bin/sh", {"-c", "cd -- \"$1\" && exec /bin/sh -c \"$2\"", "sh", folder_, text});
    if (outcome.status != 0) return PrivilegedRunResult::executionFailed(outcome.output);
    return PrivilegedRunResult::success();
  }

 private:
  std::string folder_;
};

// Every item below `folder`, links not followed: relative path -> kind, owner and contents or target.
using Tree = std::map<std::string, std::string>;
Tree tree(const std::string& folder) {
  Tree items;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
    auto status = platform::linkStatus(it->path().string());
    std::string owner = status ? std::to_string(status->uid) : "?";
    std::string& description = items[it->path().lexically_relative(folder).string()];
    if (it->is_symlink()) {
      description = "link " + owner + " -> " + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      description = "folder " + owner;
    } else {
      description = "file " + owner + " " + SampleMac::readFile(it->path().string());
    }
  }
  return items;
}

// `items` after the bundle at `from` moved to `to` (both relative), everything in it now root's.
void expectMoved(Tree& items, const std::string& from, const std::string& to) {
  Tree moved;
  for (auto it = items.begin(); it != items.end();) {
    if (it->first != from && !it->first.starts_with(from + "/")) {
      ++it;
      continue;
    }
    std::string description = it->second;
    description.replace(description.find(" 65534"), 6, " 0");
    moved[to + it->first.substr(from.size())] = description;
    it = items.erase(it);
  }
  items.merge(moved);
}

// A sample Mac in a folder of its own, with bundles owned by "nobody" and the shell working there.
struct ShellSandbox {
  testing::TemporaryFolder tmp;
  SampleMac mac{tmp.path()};
  std::shared_ptr<ShellRunner> runner = std::make_shared<ShellRunner>(tmp.path());

  // A bundle whose Info.plist holds its own name.
  std::string bundle(const std::string& relative) const {
    std::string path = mac.system("/Applications/" + relative);
    SampleMac::writeFile(path + "/Contents/Info.plist", relative);
    const char* chown = fs::exists("/usr/sbin/chown") ? "/usr/sbin/chown" : "/bin/chown";
    auto outcome = CommandRunner().runWithStatus(chown, {"-R", "65534:65534", path});
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    return path;
  }
  std::vector<TrashOperation> moveToTrash(const std::vector<Url>& urls) const {
    return ElevatedTrashMover::system(through(runner), Layout::at(mac.root(), mac.home())).moveToTrash(urls);
  }
};

class ElevatedTrashShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (platform::effectiveUserID() != 0) GTEST_SKIP() << "needs root to give bundles away and take them back";
  }
};

TEST_F(ElevatedTrashShellTest, HostileNamesMoveExactlyTheirOwnBundles) {
  ShellSandbox box;
  const std::vector<std::string> names = {
      "It's.app",       "Say \"Hi\".app",       "Back\\slash.app", "Two  Spaces .app", "$(touch pwned).app",
      "`touch pwned2`; echo x.app", "-rf.app", "Quote'\\''Dance.app", "Utilities/-n 'x'.app",
  };
  std::vector<Url> urls;
  for (const auto& name : names) urls.push_back(Url::fileURL(box.bundle(name)));
  urls.push_back(Url::fileURL(box.bundle("Line\nBreak.app")));
  std::string mine = box.mac.system("/Applications/Mine.app");
  SampleMac::writeFile(mine + "/Contents/Info.plist", "mine");
  urls.push_back(Url::fileURL(mine));
  urls.push_back(urls[0]);  // an item listed twice is moved once and reported twice
  SampleMac::writeFile(box.mac.user(".Trash/It's.app"), "already in the Trash");

  auto expected = tree(box.tmp.path());
  auto ops = box.moveToTrash(urls);
  ASSERT_EQ(box.runner->commands.size(), 1u);
  ASSERT_EQ(ops.size(), names.size() + 3);
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string landed = names[i] == "It's.app" ? "It's 2.app" : fs::path(names[i]).filename().string();
    SCOPED_TRACE(names[i]);
    EXPECT_TRUE(ops[i].succeeded) << ops[i].errorDescription.value_or("");
    EXPECT_EQ(ops[i].trashedURL, Url::fileURL(box.mac.user(".Trash/" + landed)));
    expectMoved(expected, "root/Applications/" + names[i], "home/.Trash/" + landed);
  }
  EXPECT_EQ(ops[names.size()].errorDescription, "The item's path is not well-formed.");
  EXPECT_EQ(ops[names.size() + 1].errorDescription,
            "You already own this item; it does not need administrator rights.");
  EXPECT_EQ(ops.back().trashedURL, ops[0].trashedURL);
  EXPECT_NE(ops.back().id, ops[0].id);
  // Exactly those bundles moved, now owned by us; nothing else appeared, vanished or changed.
  EXPECT_EQ(tree(box.tmp.path()), expected);
}

TEST_F(ElevatedTrashShellTest, ANameTakenDuringThePromptIsNeitherReplacedNorEntered) {
  // While the prompt is up, a file, a folder or a link to a folder takes the second bundle's Trash name.
  // (A folder is what `mv -n SRC DST` used to move the bundle into.)
  for (const std::string taker : {"file", "folder", "link"}) {
    SCOPED_TRACE(taker);
    ShellSandbox box;
    std::string first = box.bundle("First.app");
    std::string second = box.bundle("Second.app");
    const std::string taken = box.mac.user(".Trash/Second.app");
    const std::string elsewhere = box.mac.user("Elsewhere");
    SampleMac::writeFile(elsewhere + "/kept.txt", "elsewhere");
    auto expected = tree(box.tmp.path());
    box.runner->before = [&] {
      if (taker == "file") SampleMac::writeFile(taken, "raced in");
      if (taker == "folder") SampleMac::writeFile(taken + "/raced.txt", "raced in");
      if (taker == "link") fs::create_directory_symlink(elsewhere, taken);
    };

    auto ops = box.moveToTrash({Url::fileURL(first), Url::fileURL(second)});
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].trashedURL, Url::fileURL(box.mac.user(".Trash/First.app")));
    EXPECT_TRUE(ops[1].succeeded) << ops[1].errorDescription.value_or("");
    EXPECT_EQ(ops[1].trashedURL, Url::fileURL(box.mac.user(".Trash/Second 2.app")));
    // Both bundles moved whole, the item that took the name is exactly as it was (nothing went into it),
    // and no staging folder is left.
    expectMoved(expected, "root/Applications/First.app", "home/.Trash/First.app");
    expectMoved(expected, "root/Applications/Second.app", "home/.Trash/Second 2.app");
    if (taker == "file") expected["home/.Trash/Second.app"] = "file 0 raced in";
    if (taker == "folder") {
      expected["home/.Trash/Second.app"] = "folder 0";
      expected["home/.Trash/Second.app/raced.txt"] = "file 0 raced in";
    }
    if (taker == "link") expected["home/.Trash/Second.app"] = "link 0 -> " + elsewhere;
    EXPECT_EQ(tree(box.tmp.path()), expected);
  }
}

}  // namespace
}  // namespace corvane
