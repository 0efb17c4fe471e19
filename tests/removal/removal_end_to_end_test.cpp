// Uninstalls on the sample Mac: the runner with the system's Trash move, a launchctl stand-in, the
// analysis afterwards, the record and the history file, checked against what is on disk.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "corvane/app_analyzer.h"
#include "corvane/app_discovery_service.h"
#include "corvane/history_store.h"
#include "corvane/removal_runner.h"
#include "removal/recording_runner.h"
#include "sample_mac/demo_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

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

class RemovalEndToEndTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp;
  testing::SampleMac mac{tmp.path()};
  std::vector<testing::DemoApp> apps = testing::buildDemoMac(mac);
  Layout layout = Layout::at(mac.root(), mac.home());
  AppDiscoveryService discovery{layout};
  AppAnalyzer analyzer{layout};
  std::shared_ptr<testing::RecordingRunner> launchctl = std::make_shared<testing::RecordingRunner>();

  InstalledApplication installed(const std::string& name) {
    for (const auto& app : discovery.discover())
      if (app.name == name) return app;
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

  std::vector<std::string> trashNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(layout.userTrash())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(RemovalEndToEndTest, UninstallsAnAppWithItsLaunchAgentAndHelper) {
  const std::string agentLabel = "com.beaconvpn.client.agent";
  const std::string target = "gui/" + std::to_string(layout.userID) + "/" + agentLabel;
  launchctl->answers["print " + target] = {0, ""};
  launchctl->answers["bootout " + target] = {0, ""};

  InstalledApplication app = installed("Beacon VPN");
  AnalysisSnapshot before = analyzer.analyze(app, discovery.discover());
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
  UninstallRecord record = RemovalRunner::makeRecord(transaction, before, after, date::now());
  {
    HistoryStore history(HistoryFileManager::system(), layout);
    ASSERT_TRUE(history.append(record).has_value());
  }

  // Launch agents and helpers first, the app last; each landed in the sample Trash under its own name.
  std::vector<std::string> moved;
  for (const auto& op : record.operations) {
    SCOPED_TRACE(op.originalURL.path());
    ASSERT_TRUE(op.succeeded);
    ASSERT_TRUE(op.trashedURL);
    EXPECT_EQ(op.trashedURL->deletingLastPathComponent().path(), layout.userTrash());
    EXPECT_EQ(op.trashedURL->lastPathComponent(), op.originalURL.lastPathComponent());
    EXPECT_FALSE(fs::exists(fs::symlink_status(op.originalURL.path())));
    moved.push_back(relative(op.originalURL));
  }
  EXPECT_EQ(moved, (std::vector<std::string>{"home/Library/LaunchAgents/com.beaconvpn.client.agent.plist",
                                             "root/Library/PrivilegedHelperTools/com.beaconvpn.client.helper",
                                             "home/Library/Caches/com.beaconvpn.client",
                                             "root/Applications/Beacon VPN.app"}));
  EXPECT_EQ(trashNames(), (std::vector<std::string>{"Beacon VPN.app", "com.beaconvpn.client",
                                                    "com.beaconvpn.client.agent.plist",
                                                    "com.beaconvpn.client.helper"}));

  // Nothing else moved; the history file and its writers' lock are the only new things.
  std::set<std::string> expected = expectedAfter(listingBefore, record.operations);
  expected.insert("home/Library/Application Support/Corvane");
  expected.insert("home/Library/Application Support/Corvane/.history.json.lock");
  expected.insert("home/Library/Application Support/Corvane/history.json");
  EXPECT_EQ(listing(tmp.path()), expected);

  // The agent was paused before the moves, and the record says so.
  EXPECT_EQ(launchctl->lines(), (std::vector<std::string>{"print " + target, "bootout " + target,
                                                          "disable " + target}));
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
  InstalledApplication app = installed("Dropzone Sync");
  AnalysisSnapshot before = analyzer.analyze(app, discovery.discover());
  std::vector<FileFinding> selected;
  for (const auto& f : before.findings)
    if (f.isSelectable()) selected.push_back(f);
  ASSERT_EQ(selected.size(), 6u);

  // The cache folder is replaced by a new one, the log file is deleted, the support folder gains a file.
  const std::string cache = mac.user("Library/Caches/com.dropzone.sync");
  testing::SampleMac::makeFolder(cache + ".new");
  fs::remove_all(cache);
  fs::rename(cache + ".new", cache);
  fs::remove(mac.user("Library/Logs/Dropzone Sync.log"));
  testing::SampleMac::writeFile(mac.user("Library/Application Support/Dropzone Sync/new.db"));
  const std::set<std::string> listingBefore = listing(tmp.path());

  auto transaction = runner().perform(selected, before.identity);
  ASSERT_EQ(transaction.trashOperations.size(), 6u);
  std::vector<std::string> order;
  for (const auto& op : transaction.trashOperations) {
    order.push_back(relative(op.originalURL) + (op.succeeded ? "" : " refused: " + *op.errorDescription));
    if (!op.succeeded) {
      EXPECT_EQ(op.trashedURL, std::nullopt);
    }
  }
  EXPECT_EQ(order,
            (std::vector<std::string>{
                "home/Library/LaunchAgents/com.dropzone.sync.agent.plist",
                "home/Library/Application Support/Dropzone Sync",
                "home/Library/Group Containers/DZ5N3P8K2W.com.dropzone.sync",
                "root/Applications/Dropzone Sync.app",
                "home/Library/Caches/com.dropzone.sync refused: It changed after it was analyzed, so it was left "
                "where it is. Analyze again to review it.",
                "home/Library/Logs/Dropzone Sync.log refused: It was no longer there when removal ran."}));
  EXPECT_EQ(transaction.trashOperations[4].failureReason, RemovalFailureReason::changedSinceAnalysis);
  EXPECT_EQ(transaction.trashOperations[5].failureReason, RemovalFailureReason::itemMissing);
  EXPECT_EQ(transaction.orderedURLs.size(), 4u);

  EXPECT_EQ(listing(tmp.path()), expectedAfter(listingBefore, transaction.trashOperations));
  EXPECT_TRUE(fs::is_directory(cache));
  EXPECT_EQ(trashNames(), (std::vector<std::string>{"DZ5N3P8K2W.com.dropzone.sync", "Dropzone Sync", "Dropzone Sync.app",
                                                    "com.dropzone.sync.agent.plist"}));
}

}  // namespace
}  // namespace corvane
