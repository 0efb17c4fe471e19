// End to end: the analyzer on the sample Mac, one app at a time, with every finding and its tier.

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/app_discovery_service.h"
#include "platform/processes.h"
#include "sample_mac/demo_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
using testing::TemporaryFolder;

// The sample Mac and its installed apps, built once per test process.
struct DemoMac {
  DemoMac() {
    testing::buildDemoMac(mac);
    installed = AppDiscoveryService(Layout::at(mac.root(), mac.home())).discover();
  }
  TemporaryFolder folder{"corvane-e2e"};
  SampleMac mac{folder.path()};
  std::vector<InstalledApplication> installed;
};

const DemoMac& demo() {
  static const DemoMac built;
  return built;
}

AnalysisSnapshot analyzed(const std::string& name) {
  AppAnalyzer::Collaborators c;
  c.runningApplications = [] { return std::vector<RunningApplication>{}; };
  c.requiresAdministrator = [](const Url&) { return false; };
  AppAnalyzer::Options baseRulesOnly;
  baseRulesOnly.extendedMatching = false;
  AppAnalyzer analyzer(Layout::at(demo().mac.root(), demo().mac.home()), std::move(c), baseRulesOnly);
  for (const auto& app : demo().installed)
    if (app.name == name) return analyzer.analyze(app, demo().installed);
  throw std::runtime_error("no sample app " + name);
}

// "tier score path", with the home shown as "~" and the sample root as "/".
std::vector<std::string> summary(const AnalysisSnapshot& s) {
  const std::string& home = demo().mac.home();
  const std::string& root = demo().mac.root();
  std::vector<std::string> out;
  for (const auto& f : s.findings) {
    std::string path = f.url.path();
    if (path.rfind(home, 0) == 0) path = "~" + path.substr(home.size());
    else if (path.rfind(root, 0) == 0) path = path.substr(root.size());
    out.push_back(std::string(stringValue(f.confidence)) + " " + std::to_string(f.score) + " " + path);
  }
  return out;
}

TEST(DemoMacAnalysisTest, EveryFindingAndTierOfEachApp) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> apps = {
      // Suite apps do not claim each other's files.
      {"Northwind Writer",
       {"Safe to Remove 100 ~/Library/Preferences/com.northwind.writer.plist",
        "Safe to Remove 100 /Applications/Northwind/Northwind Writer.app",
        "Safe to Remove 82 ~/Library/Caches/com.northwind.writer",
        "Safe to Remove 82 ~/Library/Containers/com.northwind.writer",
        "Probably Leftover 100 ~/Library/Group Containers/NW4K7Q2P9X.com.northwind.writer",
        "Probably Leftover 100 ~/Library/LaunchAgents/com.northwind.writer.updater.plist",
        "Probably Leftover 100 ~/Library/Saved Application State/com.northwind.writer.savedState",
        "Review 42 ~/Library/Application Support/Northwind Writer"}},
      // Containers found by their recorded owner, per-host preferences and recent documents.
      {"Pebble Notes",
       {"Safe to Remove 100 /Applications/Pebble Notes.app",
        "Safe to Remove 82 ~/Library/Application Scripts/com.pebble.notes",
        "Safe to Remove 82 ~/Library/Containers/7C1D4E2A-33B9-4F0C-9E1A-6B5D2C8F0A41",
        "Safe to Remove 82 ~/Library/Preferences/ByHost/com.pebble.notes.0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0.plist",
        "Probably Leftover 82 ~/Library/Application Support/com.apple.sharedfilelist/"
        "com.apple.LSSharedFileList.ApplicationRecentDocuments/com.pebble.notes.sfl3",
        "Probably Leftover 67 ~/Library/Containers/A0B1C2D3-E4F5-4A6B-8C7D-9E0F1A2B3C4D"}},
      // Links out of a location are not followed.
      {"Quill",
       {"Safe to Remove 100 ~/Library/Caches/com.quillapps.quill",
        "Safe to Remove 100 ~/Library/Preferences/com.quillapps.quill.plist",
        "Safe to Remove 100 /Applications/Quill.app",
        "Probably Leftover 100 ~/Library/Cookies/com.quillapps.quill.binarycookies",
        "Probably Leftover 100 ~/Library/HTTPStorages/com.quillapps.quill",
        "Probably Leftover 100 ~/Library/WebKit/com.quillapps.quill",
        "Review 26 ~/Library/Logs/DiagnosticReports/Quill_2026-10-01-101010_Mac.crash"}},
      // Plug-ins and frameworks in both Libraries.
      {"Tonewheel",
       {"Safe to Remove 100 ~/Library/Preferences/com.tonewheel.synth.plist",
        "Safe to Remove 100 /Applications/Tonewheel.app",
        "Safe to Remove 80 ~/Library/Frameworks/ToneKit.framework",
        "Probably Leftover 58 ~/Library/Audio/Plug-Ins/Components/Tonewheel.component",
        "Review 58 /Library/Audio/Plug-Ins/VST3/Tonewheel.vst3",
        "Review 58 /Library/Frameworks/TonewheelCore.framework"}},
      // Three-letter names, and names inside other names.
      {"Vox", {"Safe to Remove 100 /Applications/Vox.app", "Safe to Remove 82 ~/Library/Caches/com.voxaudio.vox"}},
      {"Paint",
       {"Safe to Remove 100 ~/Library/Preferences/com.brushworks.paint.plist",
        "Safe to Remove 100 /Applications/Paint.app",
        "Review 42 ~/Library/Application Support/Paint",
        "Review 26 ~/Library/Application Support/PaintShop Studio"}},
      // System locations.
      {"Harbor Backup",
       {"Safe to Remove 100 /Applications/Harbor Backup.app",
        "Probably Leftover 100 ~/Library/LaunchAgents/com.harbor.backup.menu.plist",
        "Probably Leftover 82 /Library/Caches/com.harbor.backup",
        "Review 42 /Library/Application Support/Harbor Backup",
        "Review 42 /Library/Logs/Harbor Backup"}},
      // Helpers, system extensions and receipts. The launch daemon's label is only in the app's identifier
      // family, which counts for nothing in /Library.
      {"Beacon VPN",
       {"Safe to Remove 100 ~/Library/Caches/com.beaconvpn.client",
        "Safe to Remove 100 ~/Library/Preferences/com.beaconvpn.client.plist",
        "Safe to Remove 100 /Applications/Beacon VPN.app",
        "Probably Leftover 100 ~/Library/Group Containers/BV8R2M6T4L.com.beaconvpn",
        "Probably Leftover 100 ~/Library/LaunchAgents/com.beaconvpn.client.agent.plist",
        "Probably Leftover 81 /Library/PrivilegedHelperTools/com.beaconvpn.client.helper",
        "Probably Leftover 80 /Library/SystemExtensions/5E3C1A2B-9D84-4F6E-A1B2-C3D4E5F60718/"
        "com.beaconvpn.client.tunnel.systemextension",
        "Probably Leftover 60 /var/db/receipts/com.beaconvpn.client.pkg.bom",
        "Probably Leftover 60 /var/db/receipts/com.beaconvpn.client.pkg.plist",
        "Review 42 /Library/Application Support/Beacon VPN"}},
  };
  for (const auto& [name, findings] : apps) {
    SCOPED_TRACE(name);
    EXPECT_EQ(summary(analyzed(name)), findings);
  }
  // The suite-wide group container is declared by every suite app: none of them may take it.
  for (const char* name : {"Northwind Writer", "Northwind Sheets", "Northwind Slides"})
    for (const auto& line : summary(analyzed(name))) EXPECT_EQ(line.find("com.northwind.shared"), std::string::npos);
}

TEST(DemoMacAnalysisTest, IdentityExplanationsAndWhatMayBeSelected) {
  auto pebble = analyzed("Pebble Notes");
  EXPECT_EQ(pebble.findings[2].evidence[1].explanation,
            "This container's recorded owner (its containermanagerd metadata identifier com.pebble.notes) is exactly "
            "this app's identifier.");

  // System locations stay unselectable.
  auto harbor = analyzed("Harbor Backup");
  for (std::size_t i = 2; i < harbor.findings.size(); ++i) EXPECT_FALSE(harbor.findings[i].isSelectable());

  auto beacon = analyzed("Beacon VPN");
  // The helper and the receipts need an administrator; the extension is explained, never offered.
  EXPECT_TRUE(beacon.findings[5].requiresAdministrator());
  EXPECT_TRUE(beacon.findings[7].requiresAdministrator());
  EXPECT_EQ(beacon.findings[6].evidence[1].explanation,
            "The macOS system-extensions database records this extension's owner as this app.");
  for (std::size_t i = 5; i < beacon.findings.size(); ++i) EXPECT_FALSE(beacon.findings[i].isSelectable());
}

// An executable belongs to its innermost bundle; a real process started from one inside a sample bundle
// makes that app "running".
TEST(DemoMacAnalysisTest, ARunningAppIsInUseEverywhere) {
  EXPECT_EQ(RunningApplications::bundleOfExecutable("/Applications/Tool.app/Contents/MacOS/tool"),
            Url::fileURL("/Applications/Tool.app"));
  EXPECT_EQ(RunningApplications::bundleOfExecutable(
                "/Applications/Tool.app/Contents/Frameworks/Helper.APP/Contents/MacOS/helper"),
            Url::fileURL("/Applications/Tool.app/Contents/Frameworks/Helper.APP"));
  EXPECT_EQ(RunningApplications::bundleOfExecutable("/usr/bin/sleep"), std::nullopt);
  EXPECT_EQ(RunningApplications::bundleOfExecutable("/opt/Tool/Contents/MacOS/tool"), std::nullopt);

  TemporaryFolder tmp("corvane-running");
  SampleMac own(tmp.path());
  std::string bundle = own.addApp({"Ticker", "com.example.ticker", "1.0", std::string("ticker"), {}});
  std::string exe = bundle + "/Contents/MacOS/ticker";
  fs::copy_file("/bin/sleep", exe, fs::copy_options::overwrite_existing);
  SampleMac::makeFolder(own.user("Library/Caches/com.example.ticker"));

  const Result<int> started = platform::startProcess(exe, {"30"});
  ASSERT_TRUE(started.has_value()) << started.error().describe();
  const int pid = *started;
  bool seen = false;
  for (int i = 0; i < 100 && !seen; ++i) {
    for (const auto& r : RunningApplications::list())
      if (r.bundleURL && r.bundleURL->path() == bundle) seen = r.bundleIdentifier == "com.example.ticker";
    if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  AppAnalyzer::Collaborators c;
  c.requiresAdministrator = [](const Url&) { return false; };
  AppAnalyzer a(Layout::at(own.root(), own.home()), std::move(c));
  InstalledApplication ticker{Url::fileURL(bundle), "Ticker", "com.example.ticker", "1.0", false};
  AnalysisSnapshot snapshot = a.analyze(ticker, {ticker});
  platform::stopProcess(pid);

  ASSERT_TRUE(seen);
  EXPECT_TRUE(snapshot.isApplicationRunning);
  ASSERT_EQ(snapshot.findings.size(), 2u);
  for (const auto& f : snapshot.findings) {
    EXPECT_EQ(f.confidence, FindingConfidence::inUse) << f.url.path();
    EXPECT_EQ(f.evidence.back().kind, EvidenceKind::runningProcess);
  }
}

}  // namespace
}  // namespace corvane
