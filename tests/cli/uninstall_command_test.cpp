#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "cli/cli_capture.h"
#include "cli/commands.h"
#include "report/json_dialect.h"
#include "corvane/analysis/finding_ids.h"
#include "corvane/discovery/command_runner.h"
#include "corvane/history/history_store.h"
#include "model/json_value.h"
#include "sample_mac/demo_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const std::string kUsage =
    "uninstall APP --select safe|probable|all|ID,... [--keep-app] [--dry-run] [--yes] [--json] [--launchctl PATH] "
    "[--base-rules-only] [--root DIR] [--home DIR]";

std::set<std::string> listing(const std::string& folder) {
  std::set<std::string> paths;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it)
    paths.insert(it->path().lexically_relative(folder).string());
  return paths;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class UninstallCommandTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp;
  testing::SampleMac mac{tmp.path()};
  std::vector<testing::DemoApp> apps = testing::buildDemoMac(mac);
  Layout layout = Layout::at(mac.root(), mac.home());
  std::string dropzone = mac.system("/Applications/Dropzone Sync.app");
  std::string historyPath = mac.user("Library/Application Support/Corvane/history.json");
  std::string out, err;

  int run(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), "uninstall");
    args.insert(args.end(), {"--root", mac.root(), "--home", mac.home()});
    auto result = testing::runCli(args, input);
    out = result.out;
    err = result.err;
    return result.status;
  }

  std::vector<std::string> trashNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(layout.userTrash())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  // The item's id, whole and as listings show it.
  std::string id(const std::string& path) const {
    AppIdentity dropzoneSync;
    dropzoneSync.bundleIdentifier = "com.dropzone.sync";
    return FindingIDs::forItem(dropzoneSync, FindingIDs::macStylePath(path, layout)).toString();
  }
  std::string shortID(const std::string& path) const { return id(path).substr(0, 8); }
};

TEST_F(UninstallCommandTest, NothingMovesUntilAValidChoiceIsConfirmed) {
  const auto before = listing(tmp.path());
  EXPECT_EQ(run({dropzone}), 64);
  EXPECT_EQ(err, "corvane uninstall: --select is required: nothing is selected until you choose (usage: corvane " +
                     kUsage + ")\n");
  EXPECT_EQ(out, "");
  EXPECT_EQ(run({dropzone, "--select", "everything"}), 64);
  EXPECT_EQ(err, "corvane uninstall: --select takes safe, probable, all or finding ids separated by commas, "
                 "not everything\n");
  EXPECT_EQ(run({"--select", "safe", "--yes"}), 64);
  EXPECT_EQ(err, "corvane uninstall: missing argument (usage: corvane " + kUsage + ")\n");
  EXPECT_EQ(run({dropzone, "--select", "safe", "--force"}), 64);
  EXPECT_EQ(err, "corvane uninstall: unknown option --force (usage: corvane " + kUsage + ")\n");

  const std::string unknown = "0F0E0D0C-0B0A-4908-8706-050403020100";
  EXPECT_EQ(run({dropzone, "--select", unknown, "--yes"}), 1);
  EXPECT_EQ(err, "corvane uninstall: " + unknown +
                     " is not a selectable item of Dropzone Sync (see corvane uninstall APP --select all --dry-run). "
                     "Nothing was moved.\n");
  EXPECT_EQ(run({mac.system("/Applications/Nowhere.app"), "--select", "all", "--yes"}), 1);
  EXPECT_EQ(err, "corvane uninstall: no application bundle at " + mac.system("/Applications/Nowhere.app") + "\n");
  // Choosing only the app and keeping it leaves nothing to do.
  EXPECT_EQ(run({dropzone, "--select", id(dropzone), "--keep-app", "--yes"}), 0);
  EXPECT_TRUE(out.ends_with("Nothing to move: no selectable item matches --select " + id(dropzone) + ".\n")) << out;
  // Any answer but y or yes declines, and so does no answer at all.
  for (const std::string answer : {"", "yes please\n"}) {
    SCOPED_TRACE(answer);
    EXPECT_EQ(run({dropzone, "--select", "safe"}, answer), 1);
    EXPECT_TRUE(contains(out, "To move to the Trash (2 items, 3.2 MB):\n"));
    EXPECT_TRUE(out.ends_with("Uninstall " + dropzone + ": move 2 items to the Trash? [y/N] Cancelled. Nothing was moved.\n")) << out;
  }
  EXPECT_EQ(listing(tmp.path()), before);
  // --keep-app leaves the bundle.
  EXPECT_EQ(run({dropzone, "--select", "safe", "--keep-app"}, " YES \n"), 0);
  EXPECT_EQ(trashNames(), std::vector<std::string>{"com.dropzone.sync"});
  EXPECT_TRUE(fs::exists(dropzone + "/Contents/Info.plist"));
}

TEST_F(UninstallCommandTest, DryRunShowsTheSelectionAndMovesNothing) {
  const auto before = listing(tmp.path());
  EXPECT_EQ(run({dropzone, "--select", "probable", "--dry-run"}), 0);
  EXPECT_EQ(err, "");
  std::istringstream lines(out);
  std::vector<std::string> shown;
  for (std::string line; std::getline(lines, line);) shown.push_back(line);
  ASSERT_EQ(shown.size(), 12u) << out;
  EXPECT_EQ(shown[0], "Dropzone Sync (com.dropzone.sync)  /Applications/Dropzone Sync.app");
  EXPECT_EQ(shown[3], "6 items found, 6 selectable");
  EXPECT_EQ(shown[4], "To move to the Trash (6 items, 3.2 MB):");
  EXPECT_TRUE(shown[5].starts_with("  " + shortID(dropzone) + "  Safe to Remove · Application · "));
  EXPECT_TRUE(shown[5].ends_with("  /Applications/Dropzone Sync.app"));
  EXPECT_TRUE(shown[8].starts_with("  " + shortID(mac.user("Library/LaunchAgents/com.dropzone.sync.agent.plist")) +
                                   "  Probably Leftover · Launch Agent · "));
  EXPECT_TRUE(shown[8].ends_with("  ~/Library/LaunchAgents/com.dropzone.sync.agent.plist"));
  EXPECT_TRUE(shown[9].ends_with("  ~/Library/Application Support/Dropzone Sync"));  // its uncommon name
  EXPECT_EQ(shown[11], "Dry run: nothing was moved.");
  EXPECT_EQ(listing(tmp.path()), before);

  // With --json the selection is printed as findings, and the text goes to the error stream.
  EXPECT_EQ(run({dropzone, "--select", "all", "--dry-run", "--json"}), 0);
  auto parsed = json::parse(out);
  ASSERT_TRUE(parsed.has_value());
  ASSERT_EQ(parsed.value().size(), 6u);
  for (const auto& f : parsed.value()) EXPECT_EQ(f["id"], id(f["path"].get<std::string>())) << f;
  EXPECT_TRUE(contains(err, "Dry run: nothing was moved.\n"));
  EXPECT_EQ(listing(tmp.path()), before);
  EXPECT_FALSE(fs::exists(historyPath));
}

TEST_F(UninstallCommandTest, MovesWhatWasChosenAndRecordsIt) {
  const std::string agent = mac.user("Library/LaunchAgents/com.dropzone.sync.agent.plist");
  const std::string log = mac.user("Library/Logs/Dropzone Sync.log");
  // A short id and a whole one in lower case name the same items as the whole ids do.
  std::string agentID = id(agent);
  for (char& ch : agentID) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  EXPECT_EQ(run({dropzone, "--select", shortID(log) + "," + agentID, "--yes"}), 0);
  EXPECT_EQ(trashNames(), (std::vector<std::string>{"Dropzone Sync.log", "com.dropzone.sync.agent.plist"}));
  EXPECT_TRUE(fs::exists(dropzone));
  // Without the app, its services keep running: none are paused.
  EXPECT_TRUE(contains(out,
                       "  moved  ~/Library/LaunchAgents/com.dropzone.sync.agent.plist -> "
                       "~/.Trash/com.dropzone.sync.agent.plist\n"
                       "  moved  ~/Library/Logs/Dropzone Sync.log -> ~/.Trash/Dropzone Sync.log\n"
                       "Moved 2 items to the Trash (8 KB); recorded in the history as "))
      << out;
  EXPECT_FALSE(contains(out, "Background services:\n"));
  EXPECT_TRUE(out.ends_with("4 items of Dropzone Sync remain (see corvane analyze).\n")) << out;

  HistoryStore history(HistoryFileManager::system(), layout);
  ASSERT_EQ(history.records().size(), 1u);
  EXPECT_TRUE(contains(out, history.records().front().id.toString()));
}

TEST_F(UninstallCommandTest, AHistoryThatCannotBeWrittenStopsTheUninstallBeforeAnythingMoves) {
  // The real tool, as an ordinary user whose history folder is read-only (root would write it anyway); the
  // lock file is there from an earlier run, so only the folder's own permission stands in the way.
  const std::string log = mac.user("Library/Logs/Dropzone Sync.log");
  const std::string historyFolder = fs::path(historyPath).parent_path().string();
  testing::SampleMac::writeFile(historyFolder + "/.history.json.lock");
  CommandRunner shell;
  ASSERT_EQ(shell.runWithStatus("/bin/chown", {"-R", "65534:65534", tmp.path()}).status, 0);
  fs::permissions(historyFolder, fs::perms::owner_read | fs::perms::owner_exec);
  auto outcome = shell.runWithStatus(
      "/bin/sh", {"-c", "exec setpriv --reuid=65534 --regid=65534 --clear-groups \"$@\" 2>\"$0\"",
                  tmp.path() + "/err.txt", CORVANE_CLI_PATH, "uninstall", dropzone, "--select", id(log), "--yes",
                  "--root", mac.root(), "--home", mac.home()});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_FALSE(contains(outcome.output, "moved")) << outcome.output;
  EXPECT_EQ(testing::SampleMac::readFile(tmp.path() + "/err.txt"),
            "corvane uninstall: cannot write the history file " + historyPath + " (write " + historyFolder +
                ": Permission denied); nothing was moved.\n");
  EXPECT_EQ(trashNames(), std::vector<std::string>{});
  EXPECT_TRUE(fs::exists(log));
  EXPECT_EQ(listing(historyFolder), std::set<std::string>{".history.json.lock"});
}

TEST_F(UninstallCommandTest, AnAppGivenThroughALinkIsTheBundleItLeadsTo) {
  // A link beside the app, by host path, and one elsewhere naming the app by its Mac path.
  const std::string nearby = mac.system("/Applications/Dropzone Link.app");
  const std::string elsewhere = tmp.path() + "/DZ.app";
  fs::create_symlink(dropzone, nearby);
  fs::create_symlink("/Applications/Dropzone Sync.app", elsewhere);
  ASSERT_EQ(run({dropzone, "--select", "all", "--dry-run"}), 0);
  const std::string direct = out;
  for (const std::string& link : {nearby, elsewhere}) {
    SCOPED_TRACE(link);
    EXPECT_EQ(run({link, "--select", "all", "--dry-run"}), 0);
    EXPECT_EQ(out, direct);
    EXPECT_EQ(err, "corvane uninstall: " + link + " is a symbolic link to " + dropzone + "; working on that bundle\n");
  }
  fs::remove(nearby);
  EXPECT_EQ(run({elsewhere, "--select", "all", "--yes"}), 0) << err;
  EXPECT_FALSE(fs::exists(dropzone));
  EXPECT_TRUE(fs::is_directory(layout.userTrash() + "/Dropzone Sync.app"));
  EXPECT_TRUE(fs::is_symlink(elsewhere));  // the link itself is left as it was
  EXPECT_TRUE(contains(out, "Nothing of Dropzone Sync was found afterwards.\n")) << out;
}

TEST_F(UninstallCommandTest, JsonPrintsTheRecordAsKeptInTheHistory) {
  // A stand-in for launchctl that knows the agent.
  const std::string calls = tmp.path() + "/calls.log";
  const std::string tool = testing::SampleMac::writeFile(
      tmp.path() + "/launchctl", "#!/bin/sh\necho \"$1 $2\" >> '" + calls + "'\n"
                                 "case \"$2\" in */com.dropzone.sync.agent) exit 0 ;; esac\nexit 113\n");
  fs::permissions(tool, fs::perms::owner_all);

  EXPECT_EQ(run({dropzone, "--select", "probable", "--yes", "--json", "--launchctl", tool}), 0);
  HistoryStore history(HistoryFileManager::system(), layout);
  ASSERT_EQ(history.records().size(), 1u);
  EXPECT_EQ(history.records().front().succeededCount(), 6);
  // The record as kept, every location written as a path.
  EXPECT_EQ(nlohmann::json::parse(out),
            nlohmann::json::parse(json::pretty(report::inDialect(json::encode(history.records().front())))));

  const std::string uid = std::to_string(layout.userID);
  std::ifstream in(calls);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            "print gui/" + uid + "/com.dropzone.sync.agent\nbootout gui/" + uid +
                "/com.dropzone.sync.agent\ndisable gui/" + uid + "/com.dropzone.sync.agent\nprint gui/" + uid +
                "/com.dropzone.sync.launcher\n");
  // The text for people went to the error stream.
  EXPECT_TRUE(contains(err, "  com.dropzone.sync.agent: paused\n"
                            "  com.dropzone.sync.launcher: not registered, nothing to pause\n"));
}

}  // namespace
}  // namespace corvane
