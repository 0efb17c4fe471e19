#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "cli/cli_capture.h"
#include "corvane/discovery/command_runner.h"
#include "corvane/history/history_store.h"
#include "model/json_value.h"
#include "platform/file_status.h"
#include "sample_mac/demo_mac.h"
#include "sample_mac/ds_store_writer.h"
#include "sample_mac/launchctl_stand_in.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// Relative path -> kind, size, mode and inode: a restore must give back the very same objects.
std::map<std::string, std::string> tree(const std::string& root) {
  std::map<std::string, std::string> out;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    auto st = platform::linkStatus(it->path().string());
    out[it->path().lexically_relative(root).string()] =
        st ? std::to_string(st->mode) + " " + std::to_string(st->size) + " " + std::to_string(st->inode) : "?";
  }
  return out;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class TrashCommandTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp;
  testing::SampleMac mac{tmp.path()};
  std::vector<testing::DemoApp> apps = testing::buildDemoMac(mac);
  Layout layout = Layout::at(mac.root(), mac.home());
  testing::LaunchctlStandIn launchctl = testing::LaunchctlStandIn::write(tmp.path(), {"com.dropzone.sync.agent"});
  std::string trash = layout.userTrash();

  testing::CliOutput run(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.end(), {"--root", mac.root(), "--home", mac.home()});
    return testing::runCli(args, input);
  }
  std::string uninstallDropzone() {
    auto moved = run({"uninstall", mac.system("/Applications/Dropzone Sync.app"), "--select", "probable", "--yes",
                      "--launchctl", launchctl.script});
    EXPECT_EQ(moved.status, 0) << moved.err;
    HistoryStore history(HistoryFileManager::system(), layout);
    return history.records().empty() ? "" : history.records().front().id.toString();
  }
};

TEST_F(TrashCommandTest, AnUninstallListedAndRestoredGivesBackTheSameTreeAndAgent) {
  const auto rootBefore = tree(mac.root());
  auto homeBefore = tree(mac.home());
  const std::string id = uninstallDropzone();
  ASSERT_FALSE(id.empty());

  auto listed = run({"trash", "--json", "--sort", "name"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  auto rows = json::parse(listed.out);
  ASSERT_TRUE(rows.has_value());
  std::map<std::string, std::string> origins;
  for (const auto& row : rows.value()) origins[row["name"].get<std::string>()] = row["originalPath"].get<std::string>();
  EXPECT_EQ(origins, (std::map<std::string, std::string>{
                         {"DZ5N3P8K2W.com.dropzone.sync", mac.user("Library/Group Containers")},
                         {"Dropzone Sync", mac.user("Library/Application Support")},
                         {"Dropzone Sync.app", mac.system("/Applications")},
                         {"Dropzone Sync.log", mac.user("Library/Logs")},
                         {"com.dropzone.sync", mac.user("Library/Caches")},
                         {"com.dropzone.sync.agent.plist", mac.user("Library/LaunchAgents")}}));

  const std::size_t callsBefore = launchctl.calls().size();
  auto restored = run({"restore", id, "--launchctl", launchctl.script});
  EXPECT_EQ(restored.status, 0) << restored.err;
  EXPECT_TRUE(restored.out.ends_with("Put back 6 items.\nTurned on again: com.dropzone.sync.agent (enabled, loaded)\n"))
      << restored.out;
  const std::string target = "gui/0/com.dropzone.sync.agent";
  EXPECT_EQ(launchctl.calls(callsBefore),
            (std::vector<std::string>{"launchctl enable " + target, "launchctl print " + target,
                                      "launchctl bootstrap gui/0 " +
                                          mac.user("Library/LaunchAgents/com.dropzone.sync.agent.plist")}));
  EXPECT_EQ(tree(mac.root()), rootBefore);
  // The home differs only by the history and its side files.
  auto homeAfter = tree(mac.home());
  std::erase_if(homeAfter, [](const auto& e) { return e.first.starts_with("Library/Application Support/Corvane"); });
  std::erase_if(homeBefore, [](const auto& e) { return e.first.starts_with("Library/Application Support/Corvane"); });
  EXPECT_EQ(homeAfter, homeBefore);

  // The history entry says when it was undone.
  auto shown = run({"history", "show", id});
  const auto restoredLine = shown.out.rfind("\nRestored: ");
  ASSERT_NE(restoredLine, std::string::npos) << shown.out;
  EXPECT_TRUE(shown.out.substr(restoredLine).ends_with("Z: Put back 6 items.\n")) << shown.out;

  // A second restore finds nothing left to put back and changes nothing.
  auto again = run({"restore", id});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err, "corvane restore: nothing to put back: none of the 6 items this uninstall moved is in the Trash any more\n");
}

TEST_F(TrashCommandTest, DeletingASelectionTouchesNothingElseAndWantsItsConfirmation) {
  for (int i = 0; i < 101; ++i) testing::SampleMac::writeFile(trash + "/note" + std::to_string(i) + ".txt", "x");
  testing::SampleMac::writeFile(trash + "/Old Project/src/main.c", "int main;");
  std::vector<std::string> all{"trash", "delete"};
  for (int i = 0; i < 101; ++i) all.push_back(trash + "/note" + std::to_string(i) + ".txt");
  const auto before = tree(tmp.path());

  // 101 items want the typed phrase: one character off, or no phrase at all, deletes nothing.
  auto argsWith = [&](std::vector<std::string> extra) {
    auto args = all;
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  };
  auto offByOne = run(argsWith({"--confirm", "Delete permanently"}));
  EXPECT_EQ(offByOne.status, 1);
  EXPECT_EQ(offByOne.err, "corvane trash delete: the confirmation did not match \"Delete Permanently\"; nothing was deleted\n");
  auto typed = run(argsWith({}), "Delete Permanentl\n");
  EXPECT_TRUE(contains(typed.out, "This deletes 101 items for good. Type \"Delete Permanently\" to go on: ")) << typed.out;
  EXPECT_EQ(typed.status, 1);
  auto dryRun = run(argsWith({"--dry-run"}));
  EXPECT_EQ(dryRun.status, 0);
  EXPECT_TRUE(dryRun.out.ends_with("(101 items).\n")) << dryRun.out;
  EXPECT_EQ(tree(tmp.path()), before);

  // A small selection needs only a yes; everything else stays as it was.
  auto two = run({"trash", "delete", trash + "/note7.txt", trash + "/Old Project"}, "y\n");
  EXPECT_EQ(two.status, 0) << two.err;
  EXPECT_TRUE(contains(two.out, "  Deleted note7.txt (")) << two.out;
  EXPECT_TRUE(contains(two.out, "  Deleted Old Project (")) << two.out;
  auto expected = before;
  std::erase_if(expected, [&](const auto& e) {
    const std::string t = fs::path(trash).lexically_relative(tmp.path()).string();
    return e.first == t + "/note7.txt" || e.first.starts_with(t + "/Old Project");
  });
  EXPECT_EQ(tree(tmp.path()), expected);

  auto phrase = run(argsWith({"--confirm", "Delete Permanently"}));
  EXPECT_EQ(phrase.status, 0) << phrase.out << phrase.err;
  EXPECT_TRUE(contains(phrase.out, "  Already gone: note7.txt\n")) << phrase.out;
  EXPECT_TRUE(fs::is_empty(trash));
}

TEST_F(TrashCommandTest, BadRequestsAreRefusedWithTheirMessageAndChangeNothing) {
  testing::SampleMac::writeFile(trash + "/a.txt", "x");
  const std::string outside = mac.user("Documents/keep.txt");
  testing::SampleMac::writeFile(outside, "keep");
  const auto before = tree(tmp.path());
  const std::string usage =
      " (usage: corvane trash [put-back PATH... | delete PATH... | empty] [--json] [--sort name|size|date|kind|lane] "
      "[--ascending|--descending] [--search TEXT] [--lane safeToPurge|review|likelyWanted] [--dry-run] [--yes] "
      "[--force] [--confirm TEXT] [--root DIR] [--home DIR])\n";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"trash", "delete", outside, "--yes"}, 1,
       "corvane trash delete: " + outside + " is not inside a Trash folder; nothing was changed\n"},
      {{"trash", "put-back", trash + "/a.txt", trash + "/../.Trash/a.txt"}, 64,
       "corvane trash put-back: " + trash + "/a.txt is given twice" + usage},
      {{"trash", "delete", trash, "--yes"}, 1,
       "corvane trash delete: " + trash + " is not inside a Trash folder; nothing was changed\n"},
      {{"trash", "--sort", "colour"}, 64, "corvane trash: --sort takes name, size, date, kind or lane, not colour" + usage},
      {{"trash", "shred"}, 64, "corvane trash: unknown sub-command shred" + usage},
      {{"restore", "0F0E0D0C-0B0A-4908-8706-050403020100"}, 1,
       "corvane restore: no uninstall with id 0F0E0D0C-0B0A-4908-8706-050403020100 in the history\n"},
      {{"trash", "put-back", trash + "/gone.txt"}, 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1]);
    auto result = run(c.args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.err, c.err);
  }
  EXPECT_EQ(tree(tmp.path()), before);
  EXPECT_EQ(run({"trash", "put-back", trash + "/gone.txt"}).out, "'gone.txt' is no longer in the Trash.\n");
}

// Links in the Trash are removed themselves, wherever they lead; a path through a link out of the Trash
// is refused as unsafe, and a command that did not do everything asked fails.
TEST_F(TrashCommandTest, LinksAreRemovedThemselvesAndAPathThroughOneIsUnsafe) {
  const std::string outside = mac.user("Documents");
  testing::SampleMac::writeFile(outside + "/inside.txt", "keep");
  testing::SampleMac::writeFile(trash + "/a.txt", "a");
  fs::create_directory_symlink(outside, trash + "/dirlink");
  fs::create_symlink("/nowhere", trash + "/dangling");
  fs::create_symlink(trash + "/a.txt", trash + "/to-a");
  const auto outsideBefore = tree(outside);

  auto through = run({"trash", "delete", trash + "/dirlink/inside.txt", "--yes", "--json"});
  EXPECT_EQ(through.status, 1);
  EXPECT_TRUE(contains(through.err, "  skipped " + trash + "/dirlink/inside.txt: it leads out of the Trash\n")) << through.err;
  EXPECT_TRUE(contains(through.out, "\"kind\": \"skippedUnsafe\"")) << through.out;
  auto putBack = run({"trash", "put-back", trash + "/dirlink/inside.txt"});
  EXPECT_EQ(putBack.status, 1);
  EXPECT_EQ(putBack.err, "corvane trash put-back: " + trash +
                             "/dirlink/inside.txt leads out of the Trash through a link; it was left where it is\n");

  auto removed = run({"trash", "delete", trash + "/dirlink", trash + "/dangling", trash + "/to-a", trash + "/a.txt", "--yes"});
  EXPECT_EQ(removed.status, 0) << removed.out << removed.err;
  for (const char* name : {"dirlink", "dangling", "to-a", "a.txt"})
    EXPECT_TRUE(contains(removed.out, std::string("  Deleted ") + name + " (")) << removed.out;
  EXPECT_TRUE(fs::is_empty(trash));
  EXPECT_EQ(tree(outside), outsideBefore);
}

// A home that never had a Trash folder lists an empty Trash; the first move makes the folder, for its owner only.
TEST_F(TrashCommandTest, AHomeWithoutATrashFolderHasAnEmptyTrash) {
  fs::remove_all(trash);
  auto listed = run({"trash", "--json"});
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out, "[]\n");
  EXPECT_FALSE(fs::exists(trash));
  ASSERT_FALSE(uninstallDropzone().empty());
  EXPECT_EQ(platform::linkStatus(trash)->mode & 07777u, 0700u);
}

// A volume's shared Trash folder as the system makes it (the administrator's, mode 1333: anyone may pass,
// nobody may list it): an ordinary user deletes from, and puts back from, their own folder inside it.
TEST(VolumeTrashTest, AnOrdinaryUserWorksInTheirFolderInsideTheAdministratorsTrashes) {
  testing::TemporaryFolder tmp;
  testing::SampleMac mac{tmp.path()};
  const std::string volume = mac.root() + "/Volumes/Ext", trashes = volume + "/.Trashes", mine = trashes + "/65534";
  testing::SampleMac::makeFolder(mac.home() + "/.Trash");
  testing::SampleMac::makeFolder(volume + "/Projects");
  testing::SampleMac::writeFile(mine + "/a.txt", "a");
  testing::SampleMac::writeFile(mine + "/b.txt", "b");
  testing::writeTrashDSStore(mine, {{"b.txt", "Projects/", std::nullopt}});
  CommandRunner shell;
  ASSERT_EQ(shell.runWithStatus("/bin/chown", {"-R", "65534:65534", tmp.path()}).status, 0);
  ASSERT_EQ(::chown(trashes.c_str(), 0, 0), 0);
  ASSERT_EQ(::chmod(trashes.c_str(), 01333), 0);
  auto asNobody = [&](std::vector<std::string> args) {
    std::vector<std::string> argv{"-c", "exec setpriv --reuid=65534 --regid=65534 --clear-groups \"$@\" 2>&1", "sh",
                                  CORVANE_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(), {"--root", mac.root(), "--home", mac.home()});
    return shell.runWithStatus("/bin/sh", argv);
  };
  auto deleted = asNobody({"trash", "delete", mine + "/a.txt", "--yes"});
  EXPECT_EQ(deleted.status, 0) << deleted.output;
  EXPECT_TRUE(contains(deleted.output, "  Deleted a.txt (")) << deleted.output;
  auto putBack = asNobody({"trash", "put-back", mine + "/b.txt"});
  EXPECT_EQ(putBack.status, 0) << putBack.output;
  EXPECT_EQ(testing::SampleMac::entryNames(mine), std::set<std::string>{".DS_Store"});
  EXPECT_EQ(testing::SampleMac::readFile(volume + "/Projects/b.txt"), "b");
}

}  // namespace
}  // namespace corvane
