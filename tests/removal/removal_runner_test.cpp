// The removal runner: the order of pauses and moves with stand-ins, then whole uninstalls on the sample
// Mac checked against what is on disk before and after.

#include "corvane/removal/removal_runner.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <set>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/history/history_store.h"
#include "removal/recording_runner.h"
#include "sample_mac/demo_mac.h"
#include "platform/disk_identity.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::RecordingRunner;

const Url kTrash = Url::fileURL("/Users/me/.Trash");

// The system's move to Trash, writing "move PATH" into the log it shares with the runner.
class RecordingMover : public TrashMoving {
 public:
  explicit RecordingMover(std::shared_ptr<std::vector<std::string>> sharedLog) : log(std::move(sharedLog)) {}
  std::shared_ptr<std::vector<std::string>> log;

  Result<std::optional<Url>> moveToTrash(const Url& url) override {
    log->push_back("move " + url.path());
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

TEST_F(RemovalRunnerTest, ServicesArePausedBeforeAnythingMovesAndTheAppMovesLast) {
  registerServices();
  auto agent = finding("/Users/me/Library/LaunchAgents/com.example.drop.agent.plist", FindingKind::launchAgent);
  auto transaction = runner().perform({app, cache, agent}, identity);

  EXPECT_EQ(*log, (std::vector<std::string>{
                      "print gui/501/com.example.drop.agent", "bootout gui/501/com.example.drop.agent",
                      "disable gui/501/com.example.drop.agent", "print gui/501/com.example.drop.login",
                      "bootout gui/501/com.example.drop.login", "disable gui/501/com.example.drop.login",
                      "move /Users/me/Library/LaunchAgents/com.example.drop.agent.plist",
                      "move /Users/me/Library/Caches/com.example.drop", "move /Applications/Drop.app"}));
  EXPECT_EQ(launchctl->executables, std::vector<std::string>(6, "/bin/launchctl"));
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

// Every file, folder and link below `folder`, relative to it; links are not followed.
std::set<std::string> listing(const std::string& folder) {
  std::set<std::string> paths;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it)
    paths.insert(it->path().lexically_relative(folder).string());
  return paths;
}

bool isInside(const std::string& path, const std::string& folder) {
  return path == folder || path.rfind(folder + "/", 0) == 0;
}

// Uninstalls on the sample Mac: the runner with the system's Trash move, a launchctl stand-in, the
// analysis afterwards, the record and the history file.
class RemovalEndToEndTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp;
  testing::SampleMac mac{tmp.path()};
  std::vector<testing::DemoApp> apps = testing::buildDemoMac(mac);
  Layout layout = Layout::at(mac.root(), mac.home());
  AppDiscoveryService discovery{layout};
  AppAnalyzer analyzer{layout};
  std::shared_ptr<RecordingRunner> launchctl = std::make_shared<RecordingRunner>();

  AnalysisSnapshot analyze(const std::string& name) {
    for (const auto& app : discovery.discover())
      if (app.name == name) return analyzer.analyze(app, discovery.discover());
    ADD_FAILURE() << name << " is not installed";
    return {};
  }

  RemovalRunner runner() {
    return RemovalRunner(TrashService::system(layout), BackgroundServiceController(launchctl, layout.userID));
  }

  std::string relative(const Url& url) const { return fs::path(url.path()).lexically_relative(tmp.path()).string(); }

  // The listing taken before, with every moved item (and what it holds) where the operation says it went.
  std::set<std::string> expectedAfter(const std::set<std::string>& before, const std::vector<TrashOperation>& ops) {
    std::map<std::string, std::string> moves;
    for (const auto& op : ops)
      if (op.succeeded && op.trashedURL) moves[relative(op.originalURL)] = relative(*op.trashedURL);
    std::set<std::string> expected;
    for (const auto& path : before) {
      std::string now = path;
      for (const auto& [from, to] : moves)
        if (isInside(path, from)) now = to + path.substr(from.size());
      expected.insert(now);
    }
    return expected;
  }
};

TEST_F(RemovalEndToEndTest, UninstallsAnAppWithItsLaunchAgentAndHelper) {
  const std::string agentLabel = "com.beaconvpn.client.agent";
  const std::string target = "gui/" + std::to_string(layout.userID) + "/" + agentLabel;
  launchctl->answers["print " + target] = {0, ""};
  launchctl->answers["bootout " + target] = {0, ""};

  AnalysisSnapshot before = analyze("Beacon VPN");
  std::vector<FileFinding> selected;
  for (const auto& f : before.findings) {
    if (f.kind == FindingKind::launchAgent || f.kind == FindingKind::helper || f.kind == FindingKind::cache ||
        f.kind == FindingKind::application)
      selected.push_back(f);
  }
  ASSERT_EQ(selected.size(), 4u);
  const std::set<std::string> listingBefore = listing(tmp.path());

  auto transaction = runner().perform(selected, before.identity);
  AnalysisSnapshot after = analyzer.analyze(before.identity, before.appURL, {},
                                           analyzer.signatureEnrichedPeers(before.identity, discovery.discover()));
  const Date when = date::now();
  UninstallRecord record = RemovalRunner::makeRecord(transaction, before, after, when);
  ASSERT_TRUE(HistoryStore(HistoryFileManager::system(), layout).append(record).has_value());
  EXPECT_EQ(record.createdAt, when);
  EXPECT_EQ(record.identity, before.identity);
  EXPECT_EQ(record.preRemovalSnapshot, before);
  EXPECT_EQ(record.postRemovalSnapshot, after);
  EXPECT_EQ(record.operations, transaction.trashOperations);
  EXPECT_EQ(record.followUpSnapshot, std::nullopt);

  // Launch agents and helpers first, the app last; each landed in the sample Trash under its own name.
  std::vector<std::string> moved;
  for (const auto& op : record.operations) {
    SCOPED_TRACE(op.originalURL.path());
    ASSERT_TRUE(op.succeeded);
    ASSERT_TRUE(op.trashedURL);
    EXPECT_EQ(*op.trashedURL, Url::fileURL(layout.userTrash()).appending(op.originalURL.lastPathComponent()));
    EXPECT_FALSE(fs::exists(fs::symlink_status(op.originalURL.path())));
    moved.push_back(relative(op.originalURL));
  }
  EXPECT_EQ(moved, (std::vector<std::string>{"home/Library/LaunchAgents/com.beaconvpn.client.agent.plist",
                                             "root/Library/PrivilegedHelperTools/com.beaconvpn.client.helper",
                                             "home/Library/Caches/com.beaconvpn.client",
                                             "root/Applications/Beacon VPN.app"}));

  // Nothing else moved; the history file and its writers' lock are the only new things.
  std::set<std::string> expected = expectedAfter(listingBefore, record.operations);
  expected.insert("home/Library/Application Support/Corvane");
  expected.insert("home/Library/Application Support/Corvane/.history.json.lock");
  expected.insert("home/Library/Application Support/Corvane/history.json");
  EXPECT_EQ(listing(tmp.path()), expected);

  // The agent was paused before the moves, and the record says so.
  EXPECT_EQ(*launchctl->log, (std::vector<std::string>{"print " + target, "bootout " + target, "disable " + target}));
  ASSERT_TRUE(record.backgroundServiceOperations);
  ASSERT_EQ(record.backgroundServiceOperations->size(), 1u);
  EXPECT_EQ(record.backgroundServiceOperations->front().serviceIdentifier, agentLabel);
  EXPECT_TRUE(record.backgroundServiceOperations->front().paused);

  // What was moved is no longer found; what was left is.
  for (const auto& f : after.findings)
    for (const auto& s : selected) EXPECT_NE(f.url, s.url);
  EXPECT_EQ(after.findings.size(), before.findings.size() - selected.size());

  // The history file holds the record exactly.
  HistoryStore reloaded(HistoryFileManager::system(), layout);
  ASSERT_EQ(reloaded.records().size(), 1u);
  EXPECT_EQ(reloaded.records().front(), record);
  EXPECT_TRUE(RemovalTrashRefresh::movedItemsToTrash(record.operations));
}

TEST_F(RemovalEndToEndTest, ItemsThatChangedSinceTheAnalysisStayAndAreReportedAfterTheMoves) {
  AnalysisSnapshot before = analyze("Dropzone Sync");
  std::vector<FileFinding> selected;
  for (const auto& f : before.findings)
    if (f.isSelectable()) selected.push_back(f);
  ASSERT_EQ(selected.size(), 6u);

  // The app is replaced by a new bundle of the same name, the log file is deleted, the support folder
  // gains a file.
  const std::string app = mac.system("/Applications/Dropzone Sync.app");
  testing::SampleMac::makeFolder(app + ".new");
  fs::remove_all(app);
  fs::rename(app + ".new", app);
  fs::remove(mac.user("Library/Logs/Dropzone Sync.log"));
  testing::SampleMac::writeFile(mac.user("Library/Application Support/Dropzone Sync/new.db"));
  const std::set<std::string> listingBefore = listing(tmp.path());

  auto transaction = runner().perform(selected, before.identity);
  ASSERT_EQ(transaction.trashOperations.size(), 6u);
  std::vector<std::string> order;
  for (const auto& op : transaction.trashOperations) {
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
  EXPECT_EQ(transaction.trashOperations[4].failureReason, RemovalFailureReason::changedSinceAnalysis);
  EXPECT_EQ(transaction.trashOperations[5].failureReason, RemovalFailureReason::itemMissing);
  EXPECT_EQ(transaction.orderedURLs.size(), 4u);
  // The replaced app is not removed, so its background services are left alone; the record lists no
  // operations on them rather than none at all.
  ASSERT_FALSE(before.identity.serviceIdentifiers().empty());
  EXPECT_TRUE(launchctl->log->empty());
  UninstallRecord record = RemovalRunner::makeRecord(transaction, before, std::nullopt, date::now());
  EXPECT_EQ(record.backgroundServiceOperations, std::vector<BackgroundServiceOperation>{});
  EXPECT_EQ(record.postRemovalSnapshot, std::nullopt);

  EXPECT_EQ(listing(tmp.path()), expectedAfter(listingBefore, transaction.trashOperations));
  EXPECT_TRUE(fs::is_directory(app));
}

}  // namespace
}  // namespace corvane
