#include "corvane/uninstall/uninstall_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "corvane/discovery/command_runner.h"
#include "corvane/removal/elevated_trash_mover.h"
#include "platform/fs_ops.h"
#include "removal/recording_runner.h"
#include "sample_mac/demo_mac.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const Date kNoon = Date(std::chrono::seconds(1796400000));

std::set<std::string> listing(const std::string& folder) {
  std::set<std::string> paths;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it)
    paths.insert(it->path().lexically_relative(folder).string());
  return paths;
}

std::vector<std::string> paths(const std::vector<FileFinding>& findings) {
  std::vector<std::string> result;
  for (const auto& f : findings) result.push_back(f.url.path());
  return result;
}

// Refuses every item under `folder` as a root-owned folder would; moves the rest as the layout's Trash does.
TrashMoving refusingMover(const Layout& layout, std::string folder) {
  return {[inner = FileManagerTrashMover(layout), folder](const Url& url) -> Result<std::optional<Url>> {
    if (url.path().starts_with(folder + "/")) return Error::fromErrno(EACCES, "move to Trash", url.path());
    return inner.moveToTrash(url);
  }};
}

// The administrator's shell as a plain function and context, the way a Swift app supplies it: runs the
// line with /bin/sh (this machine keeps chown in /bin), or answers `answer` without running it.
struct ShellContext {
  std::vector<std::string> commands;
  PrivilegedRunResult::Kind answer = PrivilegedRunResult::Kind::succeeded;
};

void runAsAdministrator(void* context, const char* commandLine, PrivilegedRunResult* result) {
  auto* shell = static_cast<ShellContext*>(context);
  shell->commands.push_back(commandLine);
  if (shell->answer != PrivilegedRunResult::Kind::succeeded) {
    result->kind = shell->answer;
    return;
  }
  std::string text = commandLine;
  const std::string chown = "/usr/sbin/chown";
  for (auto at = text.find(chown); at != std::string::npos; at = text.find(chown, at + 1))
    text.replace(at, chown.size(), "/bin/chown");
  auto outcome = CommandRunner().runWithStatus("/bin/sh", {"-c", text});
  if (outcome.status != 0) *result = PrivilegedRunResult::executionFailed(outcome.output);
}

class UninstallSessionTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp;
  testing::SampleMac mac{tmp.path()};
  std::vector<testing::DemoApp> apps = testing::buildDemoMac(mac);
  Layout layout = Layout::at(mac.root(), mac.home());
  Url dropzone = Url::fileURL(mac.system("/Applications/Dropzone Sync.app"));
  std::string safeCache = mac.user("Library/Caches/com.dropzone.sync");
  std::string historyPath = mac.user("Library/Application Support/Corvane/history.json");
  std::shared_ptr<testing::RecordingRunner> launchctl = std::make_shared<testing::RecordingRunner>();
  HistoryFileManager files = HistoryFileManager::system();

  UninstallCollaborators collaborators(PrivilegedShellRunner privilegedRunner = {}) {
    UninstallCollaborators c = UninstallCollaborators::system(layout, std::move(privilegedRunner));
    c.commandRunner = *launchctl;
    c.clock = [] { return kNoon; };
    return c;
  }
  std::string relative(const Url& url) const { return fs::path(url.path()).lexically_relative(tmp.path()).string(); }

  // The listing taken before, with every moved item (and what it holds) where its operation says it went,
  // and the history file, its folder and its writers' lock.
  std::set<std::string> afterMoves(const std::set<std::string>& before, const std::vector<TrashOperation>& ops) const {
    std::set<std::string> expected;
    for (std::string path : before) {
      for (const auto& op : ops) {
        const std::string from = relative(op.originalURL);
        if (op.succeeded && (path == from || path.starts_with(from + "/")))
          path = relative(*op.trashedURL) + path.substr(from.size());
      }
      expected.insert(path);
    }
    for (const char* name : {"", "/.history.json.lock", "/history.json"})
      expected.insert("home/Library/Application Support/Corvane" + std::string(name));
    return expected;
  }
  std::size_t trashCount() const {
    auto entries = fs::directory_iterator(layout.userTrash());
    return static_cast<std::size_t>(std::distance(fs::begin(entries), fs::end(entries)));
  }
};

TEST_F(UninstallSessionTest, ItemsThatChangedSinceTheAnalysisStayAndAreReportedAfterTheMoves) {
  HistoryStore history(files, layout);
  UninstallSession session(layout, collaborators(), history);
  UninstallPlan plan = session.prepare(dropzone, {UninstallSelection::Tier::all, {}, false, {}});
  ASSERT_EQ(plan.selected.size(), 6u);
  // The app is replaced by a new bundle of the same name, the log file is deleted, the support folder
  // gains a file.
  fs::create_directory(dropzone.path() + ".new");
  fs::remove_all(dropzone.path());
  fs::rename(dropzone.path() + ".new", dropzone.path());
  fs::remove(mac.user("Library/Logs/Dropzone Sync.log"));
  testing::SampleMac::writeFile(mac.user("Library/Application Support/Dropzone Sync/new.db"));
  const auto before = listing(tmp.path());

  UninstallResult result = session.perform(plan);
  std::vector<std::string> order;
  for (const auto& op : result.record.operations) {
    order.push_back(relative(op.originalURL) + (op.succeeded ? " -> " + relative(*op.trashedURL)
                                                             : " refused: " + *op.errorDescription));
    if (!op.succeeded) {
      EXPECT_EQ(op.trashedURL, std::nullopt);
    }
  }
  EXPECT_EQ(order,
            (std::vector<std::string>{
                "home/Library/LaunchAgents/com.dropzone.sync.agent.plist -> home/.Trash/com.dropzone.sync.agent.plist",
                "home/Library/Application Support/Dropzone Sync -> home/.Trash/Dropzone Sync",
                "home/Library/Caches/com.dropzone.sync -> home/.Trash/com.dropzone.sync",
                "home/Library/Group Containers/DZ5N3P8K2W.com.dropzone.sync -> "
                "home/.Trash/DZ5N3P8K2W.com.dropzone.sync",
                "root/Applications/Dropzone Sync.app refused: It changed after it was analyzed, so it was left "
                "where it is. Analyze again to review it.",
                "home/Library/Logs/Dropzone Sync.log refused: It was no longer there when removal ran."}));
  EXPECT_EQ(result.record.operations[4].failureReason, RemovalFailureReason::changedSinceAnalysis);
  EXPECT_EQ(result.record.operations[5].failureReason, RemovalFailureReason::itemMissing);
  // The replaced app is not removed, so its background services are left alone; the record lists no
  // operations on them rather than none at all.
  EXPECT_TRUE(launchctl->log->empty());
  EXPECT_EQ(result.record.backgroundServiceOperations, std::vector<BackgroundServiceOperation>{});
  EXPECT_EQ(listing(tmp.path()), afterMoves(before, result.record.operations));
  EXPECT_TRUE(fs::is_directory(dropzone.path()));
}

TEST_F(UninstallSessionTest, ARecordThatCannotBeWrittenStillListsWhatMoved) {
  const Error full = Error::fromErrno(ENOSPC, "write", historyPath);
  files.writeAtomically = [full](const std::string&, const std::string&) -> Status { return full; };
  HistoryStore history(files, layout);
  UninstallSession session(layout, collaborators(), history);
  UninstallResult result = session.perform(session.prepare(dropzone, {UninstallSelection::Tier::all, {}, true, {}}));
  EXPECT_EQ(result.kind, UninstallResult::Kind::notRecorded);
  EXPECT_EQ(result.historyError, full);
  EXPECT_EQ(result.record.operations.size(), 5u);
  EXPECT_TRUE(result.allMoved());
  EXPECT_EQ(trashCount(), 5u);
  EXPECT_TRUE(fs::exists(dropzone.path()));
  EXPECT_FALSE(fs::exists(historyPath));
}

TEST_F(UninstallSessionTest, AHistoryLockedByAnotherProcessStopsTheUninstallBeforeAnythingMoves) {
  // Another process takes the history's writers' lock and keeps it until told to let go.
  const std::string folder = mac.user("Library/Application Support/Corvane");
  const std::string ready = tmp.path() + "/ready", done = tmp.path() + "/done";
  fs::create_directories(folder);
  std::thread holder([&] {
    (void)CommandRunner().runWithStatus(
        "/usr/bin/flock", {"-x", folder + "/.history.json.lock", "/bin/sh", "-c",
                           "touch \"$0\"; while [ ! -e \"$1\" ]; do sleep 0.01; done", ready, done});
  });
  for (int i = 0; i < 1000 && !fs::exists(ready); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(fs::exists(ready));
  const auto before = listing(mac.root());
  const std::size_t trashBefore = trashCount();

  HistoryStore history(HistoryFileManager::system(std::chrono::milliseconds(200)), layout);
  UninstallSession session(layout, collaborators(), history);
  UninstallResult result = session.perform(session.prepare(dropzone, {UninstallSelection::Tier::all, {}, false, {}}));
  EXPECT_EQ(result.kind, UninstallResult::Kind::historyUnavailable);
  ASSERT_TRUE(result.historyError.has_value());
  EXPECT_EQ(result.historyError->code, EWOULDBLOCK);
  EXPECT_TRUE(result.record.operations.empty());
  EXPECT_EQ(listing(mac.root()), before);
  EXPECT_EQ(trashCount(), trashBefore);
  EXPECT_TRUE(launchctl->log->empty());

  // Once the holder lets go the same uninstall runs and is recorded, under one hold of the lock.
  testing::SampleMac::writeFile(done);
  holder.join();
  result = session.perform(session.prepare(dropzone, {UninstallSelection::Tier::all, {}, false, {}}));
  EXPECT_EQ(result.kind, UninstallResult::Kind::recorded);
  EXPECT_EQ(HistoryStore(files, layout).records().size(), 1u);
}

TEST_F(UninstallSessionTest, ARootOwnedApplicationGoesThroughThePrivilegedRunner) {
  // The Applications folder belongs to the administrator: the analysis says so, the ordinary move refuses.
  const std::string applications = layout.applications();
  auto rootOwned = [&](UninstallCollaborators c) {
    c.fileAccess.isWritable = [applications](const std::string& path) { return path != applications; };
    c.trashMover = refusingMover(layout, applications);
    c.relocate = [](const Url& from, const Url&) -> Status { return Error::fromErrno(EACCES, "rename", from.path()); };
    c.elevationCandidate = [](const Url& url) { return ElevationCandidate{url.path(), true, false, false}; };
    return c;
  };
  {
    SCOPED_TRACE("without a runner the application cannot be chosen");
    HistoryStore history(files, layout);
    UninstallSession session(layout, rootOwned(collaborators()), history);
    EXPECT_EQ(paths(session.prepare(dropzone, {}).selected), std::vector<std::string>{safeCache});
  }
  struct Case {
    PrivilegedRunResult::Kind answer;
    bool moved;
    const char* description;
  };
  for (const Case& c : {Case{PrivilegedRunResult::Kind::userCancelled, false, ElevatedTrashMover::kCancelled},
                        Case{PrivilegedRunResult::Kind::succeeded, true, nullptr}}) {
    SCOPED_TRACE(c.moved ? "approved" : "cancelled");
    ShellContext shell{{}, c.answer};
    HistoryStore history(files, layout);
    UninstallSession session(
        layout, rootOwned(collaborators(PrivilegedShellRunner::fromFunction(&runAsAdministrator, &shell))), history);
    // The cache moves with the first answer, so the second selects the application alone.
    UninstallPlan plan = session.prepare(dropzone, {});
    ASSERT_FALSE(plan.selected.empty());
    EXPECT_EQ(plan.selected.front().url, dropzone);
    UninstallResult result = session.perform(plan);
    EXPECT_EQ(result.kind, UninstallResult::Kind::recorded);
    EXPECT_EQ(history.records().front(), result.record);
    ASSERT_EQ(result.record.operations.size(), plan.selected.size());
    const TrashOperation& app = result.record.operations.back();
    EXPECT_EQ(app.originalURL, dropzone);
    EXPECT_EQ(app.succeeded, c.moved);
    EXPECT_EQ(app.trashedURL,
              c.moved ? std::optional(Url::fileURL(layout.userTrash() + "/Dropzone Sync.app")) : std::nullopt);
    EXPECT_EQ(app.errorDescription, c.description ? std::optional<std::string>(c.description) : std::nullopt);
    EXPECT_EQ(fs::exists(dropzone.path()), !c.moved);
    ASSERT_EQ(shell.commands.size(), 1u);
    EXPECT_TRUE(
        shell.commands[0].starts_with("/bin/mkdir -m 700 -- '" + layout.userTrash() + "/Dropzone Sync.app-moving-"))
        << shell.commands[0];
  }
}

}  // namespace
}  // namespace corvane
