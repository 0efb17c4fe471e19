// The elevated path end to end: the command text runs in a real shell against hostile names.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "corvane/command_runner.h"
#include "corvane/elevated_trash_mover.h"
#include "platform/file_status.h"
#include "platform/fs_ops.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
using testing::TemporaryFolder;

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

PrivilegedShellRunner through(std::shared_ptr<ShellRunner> runner) {
  return {[runner](const std::string& commandLine) { return runner->run(commandLine); }};
}

// Every item below `folder`: relative path -> kind, owner and contents.
std::map<std::string, std::string> tree(const std::string& folder) {
  std::map<std::string, std::string> items;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
    std::string path = it->path().string();
    auto status = platform::linkStatus(path);
    std::string owner = status ? std::to_string(status->uid) : "?";
    std::string description;
    if (it->is_symlink()) {
      description = "link " + owner + " -> " + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      description = "folder " + owner;
    } else {
      description = "file " + owner + " " + SampleMac::readFile(path);
    }
    items[it->path().lexically_relative(folder).string()] = description;  // links not followed
  }
  return items;
}

// The expected tree after moving `from` (a relative path) to `to`, everything moved owned by `uid`.
void expectMoved(std::map<std::string, std::string>& items, const std::string& from, const std::string& to,
                 unsigned uid) {
  std::map<std::string, std::string> moved;
  for (auto it = items.begin(); it != items.end();) {
    if (it->first == from || it->first.rfind(from + "/", 0) == 0) {
      std::string description = it->second;
      auto space = description.find(' ');
      auto end = description.find(' ', space + 1);
      description.replace(space + 1, (end == std::string::npos ? description.size() : end) - space - 1,
                          std::to_string(uid));
      moved[to + it->first.substr(from.size())] = description;
      it = items.erase(it);
    } else {
      ++it;
    }
  }
  items.insert(moved.begin(), moved.end());
}

class ElevatedTrashShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (platform::effectiveUserID() != 0) GTEST_SKIP() << "needs root to give bundles away and take them back";
  }

  TemporaryFolder tmp;
  SampleMac mac{tmp.path()};
  Layout layout = Layout::at(mac.root(), mac.home());
  std::shared_ptr<ShellRunner> runner = std::make_shared<ShellRunner>(tmp.path());

  // A bundle owned by "nobody" whose Info.plist holds its own name.
  std::string bundle(const std::string& relative) {
    std::string path = mac.system("/Applications/" + relative);
    SampleMac::writeFile(path + "/Contents/Info.plist", relative);
    const char* chown = fs::exists("/usr/sbin/chown") ? "/usr/sbin/chown" : "/bin/chown";
    auto outcome = CommandRunner().runWithStatus(chown, {"-R", "65534:65534", path});
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    return path;
  }
};

TEST_F(ElevatedTrashShellTest, HostileNamesMoveExactlyTheirOwnBundles) {
  const std::vector<std::string> names = {
      "It's.app",       "Say \"Hi\".app",       "Back\\slash.app", "Two  Spaces .app", "$(touch pwned).app",
      "`touch pwned2`; echo x.app", "-rf.app", "Quote'\\''Dance.app", "Utilities/-n 'x'.app",
  };
  std::vector<Url> urls;
  for (const auto& name : names) urls.push_back(Url::fileURL(bundle(name)));
  std::string newline = bundle("Line\nBreak.app");
  urls.push_back(Url::fileURL(newline));
  std::string mine = mac.system("/Applications/Mine.app");
  SampleMac::writeFile(mine + "/Contents/Info.plist", "mine");
  urls.push_back(Url::fileURL(mine));
  SampleMac::writeFile(mac.user(".Trash/It's.app"), "already in the Trash");

  auto expected = tree(tmp.path());
  auto ops = ElevatedTrashMover::system(through(runner), layout).moveToTrash(urls);

  ASSERT_EQ(runner->commands.size(), 1u);
  ASSERT_EQ(ops.size(), names.size() + 2);
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string landed = names[i] == "It's.app" ? "It's 2.app" : fs::path(names[i]).filename().string();
    SCOPED_TRACE(names[i]);
    EXPECT_TRUE(ops[i].succeeded) << ops[i].errorDescription.value_or("");
    EXPECT_EQ(ops[i].trashedURL, Url::fileURL(mac.user(".Trash/" + landed)));
    expectMoved(expected, "root/Applications/" + names[i], "home/.Trash/" + landed, 0);
  }
  EXPECT_EQ(ops[names.size()].errorDescription, "The item's path is not well-formed.");
  EXPECT_EQ(ops[names.size() + 1].errorDescription,
            "You already own this item; it does not need administrator rights.");
  // Exactly those bundles moved, now owned by us; nothing else appeared, vanished or changed.
  EXPECT_EQ(tree(tmp.path()), expected);
  EXPECT_EQ(SampleMac::readFile(mac.user(".Trash/It's.app")), "already in the Trash");
}

TEST_F(ElevatedTrashShellTest, ANameTakenDuringThePromptIsNeitherReplacedNorEntered) {
  // While the prompt is up, a file, a folder or a link to a folder takes the second bundle's Trash name.
  // (A folder is what `mv -n SRC DST` used to move the bundle into.)
  for (const std::string taker : {"file", "folder", "link"}) {
    SCOPED_TRACE(taker);
    TemporaryFolder round;
    SampleMac roundMac{round.path()};
    auto roundRunner = std::make_shared<ShellRunner>(round.path());
    auto rootOwnedBundle = [&](const std::string& name) {
      std::string path = roundMac.system("/Applications/" + name);
      SampleMac::writeFile(path + "/Contents/Info.plist", name);
      EXPECT_EQ(CommandRunner().runWithStatus("/bin/chown", {"-R", "65534:65534", path}).status, 0);
      return path;
    };
    std::string first = rootOwnedBundle("First.app");
    std::string second = rootOwnedBundle("Second.app");
    const std::string taken = roundMac.user(".Trash/Second.app");
    SampleMac::writeFile(roundMac.user("Elsewhere/kept.txt"), "elsewhere");
    auto expected = tree(round.path());
    roundRunner->before = [&] {
      if (taker == "file") SampleMac::writeFile(taken, "raced in");
      if (taker == "folder") SampleMac::writeFile(taken + "/raced.txt", "raced in");
      if (taker == "link") fs::create_directory_symlink(roundMac.user("Elsewhere"), taken);
    };

    auto ops = ElevatedTrashMover::system(through(roundRunner), Layout::at(roundMac.root(), roundMac.home()))
                   .moveToTrash({Url::fileURL(first), Url::fileURL(second)});
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].trashedURL, Url::fileURL(roundMac.user(".Trash/First.app")));
    EXPECT_TRUE(ops[1].succeeded) << ops[1].errorDescription.value_or("");
    EXPECT_EQ(ops[1].trashedURL, Url::fileURL(roundMac.user(".Trash/Second 2.app")));
    // Both bundles moved whole, the item that took the name is exactly as it was (nothing went into it),
    // and no staging folder is left.
    expectMoved(expected, "root/Applications/First.app", "home/.Trash/First.app", 0);
    expectMoved(expected, "root/Applications/Second.app", "home/.Trash/Second 2.app", 0);
    if (taker == "file") expected["home/.Trash/Second.app"] = "file 0 raced in";
    if (taker == "folder") {
      expected["home/.Trash/Second.app"] = "folder 0";
      expected["home/.Trash/Second.app/raced.txt"] = "file 0 raced in";
    }
    if (taker == "link") expected["home/.Trash/Second.app"] = "link 0 -> " + roundMac.user("Elsewhere");
    EXPECT_EQ(tree(round.path()), expected);
  }
}

}  // namespace
}  // namespace corvane
