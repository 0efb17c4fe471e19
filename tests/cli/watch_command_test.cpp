#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <thread>

#include "cli/cli_capture.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::runCli;

class WatchCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mac.addApp({"Tool", "com.acme.Tool", "1.0", std::nullopt, {}});
    testing::SampleMac::writeFile(mac.user("Library/Caches/com.acme.Tool/cache.db"), std::string(5000, 'c'));
    testing::SampleMac::writeFile(mac.user("Library/Preferences/com.acme.Tool.plist"));
    testing::SampleMac::makeFolder(mac.user(".Trash"));
  }
  testing::CliOutput run(std::vector<std::string> args) const {
    args.insert(args.end(), {"--root", mac.root(), "--home", mac.home()});
    return runCli(args);
  }
  testing::TemporaryFolder folder;
  testing::SampleMac mac{folder.path()};
};

TEST_F(WatchCommandTest, PrintsOneEventForTheAppThatLeftAndTheCommandThatRemovesItsLeftovers) {
  testing::CliOutput watched;
  std::thread watcher([&] { watched = run({"watch", "--once", "--json", "--settle", "0.2"}); });
  const std::string catalog = mac.user("Library/Application Support/Corvane/installed-apps.json");
  for (int i = 0; i < 500 && !fs::exists(catalog); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the watches are set right after the listing
  fs::rename(mac.system("/Applications/Tool.app"), mac.user(".Trash/Tool.app"));
  watcher.join();

  EXPECT_EQ(watched.status, 0) << watched.err;
  const auto event = nlohmann::json::parse(watched.out);
  EXPECT_EQ(watched.out.find('\n'), watched.out.size() - 1);  // one object, one line
  EXPECT_EQ(event["event"], "appRemoved");
  EXPECT_EQ(event["app"], nlohmann::json({{"bundleIdentifier", "com.acme.Tool"}, {"name", "Tool"},
                                          {"path", mac.system("/Applications/Tool.app")}, {"version", "1.0"}}));
  EXPECT_EQ(event["trashedPath"], mac.user(".Trash/Tool.app"));
  ASSERT_EQ(event["leftovers"].size(), 2u);
  EXPECT_EQ(event["leftovers"][0]["path"], mac.user("Library/Preferences/com.acme.Tool.plist"));
  EXPECT_EQ(event["leftovers"][1]["path"], mac.user("Library/Caches/com.acme.Tool"));
  EXPECT_EQ(event["leftovers"][1]["sizeBytes"], 12288);
  EXPECT_EQ(event["leftovers"][1]["confidence"], "Probably Leftover");  // never graded Safe once the app is gone
  EXPECT_EQ(event["allocatedBytes"], 16384);
  EXPECT_EQ(event["removeCommand"],
            "corvane orphans remove com.acme.Tool --root " + mac.root() + " --home " + mac.home());

  // The command it gives removes exactly those leftovers.
  const auto removed = run({"orphans", "remove", "com.acme.Tool", "--yes"});
  EXPECT_EQ(removed.status, 0) << removed.err;
  EXPECT_TRUE(removed.out.starts_with(
      "To move to the Trash (2 items, 16 KB):\n"
      "  8C8F7056  Probably Leftover · Cache · 12 KB  ~/Library/Caches/com.acme.Tool\n"
      "  B1254918  Probably Leftover · Preference · 4 KB  ~/Library/Preferences/com.acme.Tool.plist\n"
      "  moved  ~/Library/Caches/com.acme.Tool -> ~/.Trash/com.acme.Tool\n"
      "  moved  ~/Library/Preferences/com.acme.Tool.plist -> ~/.Trash/com.acme.Tool.plist\n"
      "Moved 2 items to the Trash (16 KB); recorded in the history as "))
      << removed.out;
}

TEST_F(WatchCommandTest, AnalyzesAGoneAppFromTheCatalog) {
  EXPECT_EQ(run({"analyze", "--removed", "com.acme.Never"}).err,
            "corvane analyze: no app with the bundle identifier com.acme.Never was ever listed here (Corvane remembers "
            "the apps it lists: corvane apps, analyze, orphans, watch)\n");
  ASSERT_EQ(run({"apps"}).status, 0);
  fs::remove_all(mac.system("/Applications/Tool.app"));
  const auto analyzed = run({"analyze", "--removed", "com.acme.Tool"});
  EXPECT_EQ(analyzed.status, 0) << analyzed.err;
  EXPECT_EQ(analyzed.out,
            "Tool (com.acme.Tool)  /Applications/Tool.app\n2 items found, 2 selectable\n\n"
            "  B1254918  Safe to Remove    100  Preference                4 KB        ~/Library/Preferences/com.acme.Tool.plist\n"
            "  8C8F7056  Safe to Remove     82  Cache                     12 KB       ~/Library/Caches/com.acme.Tool\n\n"
            "Safe to Remove (2) · 16 KB\n");
  const auto both = run({"analyze", "/x.app", "--removed", "com.acme.Tool"});
  EXPECT_EQ(both.status, 64) << both.err;
}

TEST_F(WatchCommandTest, PrintsTheLaunchAgent) {
  const auto agent = run({"watch", "--launch-agent", "--program", "/opt/corvane/bin/corvane"});
  EXPECT_EQ(agent.status, 0);
  EXPECT_EQ(agent.out,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
            "<plist version=\"1.0\">\n<dict>\n"
            "\t<key>Label</key>\n\t<string>com.corvane.watch</string>\n"
            "\t<key>ProgramArguments</key>\n\t<array>\n\t\t<string>/opt/corvane/bin/corvane</string>\n"
            "\t\t<string>watch</string>\n\t</array>\n"
            "\t<key>RunAtLoad</key>\n\t<true/>\n"
            "\t<key>KeepAlive</key>\n\t<dict>\n\t\t<key>SuccessfulExit</key>\n\t\t<false/>\n\t</dict>\n"
            "\t<key>StandardOutPath</key>\n\t<string>" + mac.home() + "/Library/Logs/Corvane/watch.log</string>\n"
            "\t<key>StandardErrorPath</key>\n\t<string>" + mac.home() + "/Library/Logs/Corvane/watch.log</string>\n"
            "</dict>\n</plist>\n");
}

}  // namespace
}  // namespace corvane
