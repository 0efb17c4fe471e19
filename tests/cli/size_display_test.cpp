// Sizes as the tool shows them: the units, the totals in analyze, uninstall and history, and --json.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_capture.h"
#include "cli/finding_sizes.h"
#include "sample_mac/demo_mac.h"

namespace corvane {
namespace {

TEST(SizeDisplayTest, DecimalUnitsWholeKilobytesThenOneDecimal) {
  const std::pair<SizeTotal, const char*> cases[] = {
      {{0, 0, false}, "Zero KB"},          {{1, 0, false}, "1 KB"},           {{4096, 0, false}, "4 KB"},
      {{999'499, 0, false}, "999 KB"},     {{999'500, 0, false}, "1.0 MB"},   {{1'234'567, 0, false}, "1.2 MB"},
      {{999'960'000, 0, false}, "1.0 GB"}, {{1'200'000'000, 0, false}, "1.2 GB"}, {{4096, 0, true}, "≥ 4 KB"},
  };
  for (const auto& [total, text] : cases) {
    SCOPED_TRACE(total.allocatedBytes);
    EXPECT_EQ(cli::formatTotal(total), text);
  }
}

class SizeDisplayCommandTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp;
  testing::SampleMac mac{tmp.path()};
  std::vector<testing::DemoApp> apps = testing::buildDemoMac(mac);

  testing::CliOutput run(std::vector<std::string> args) {
    args.insert(args.end(), {"--root", mac.root(), "--home", mac.home()});
    return testing::runCli(args);
  }
};

TEST_F(SizeDisplayCommandTest, AnalyzeShowsTotalsPerFindingAndTier) {
  const std::string app = mac.system("/Applications/Beacon VPN.app");
  auto text = run({"analyze", app, "--base-rules-only"});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("  Safe to Remove    100  Cache                     1.2 MB      "
                          "~/Library/Caches/com.beaconvpn.client\n"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("\n\nSafe to Remove (3) · 1.2 MB\nProbably Leftover (6) · "), std::string::npos) << text.out;

  // Sorted by size, the order is that of the totals shown, not of the entries' own sizes.
  auto bySize = run({"analyze", app, "--sort", "SIZE", "--base-rules-only"});
  const std::size_t firstRow = bySize.out.find("selectable\n\n  ") + 14;
  EXPECT_EQ(bySize.out.find("  Safe to Remove    100  Cache                     1.2 MB"), firstRow + 8) << bySize.out;

  // Each finding carries its total beside its entry's own size.
  auto json = run({"analyze", app, "--json", "--base-rules-only", "--sort", "size", "--ascending"});
  ASSERT_EQ(json.status, 0) << json.err;
  auto doc = nlohmann::json::parse(json.out);
  const auto& findings = doc.at("findings");
  ASSERT_EQ(findings.size(), 10u);
  std::int64_t previous = 0;
  for (const auto& f : findings) {
    const std::int64_t total = f.at("sizeBytes").get<std::int64_t>();
    EXPECT_GE(total, previous) << f;
    EXPECT_GE(total, f.at("byteCount").get<std::int64_t>()) << f;
    EXPECT_EQ(f.at("sizeAtLeast"), false);
    previous = total;
  }
  EXPECT_EQ(findings.back().at("path"), mac.user("Library/Caches/com.beaconvpn.client"));
  EXPECT_GT(findings.back().at("sizeBytes").get<std::int64_t>(), 1'000'000);
  EXPECT_LT(findings.back().at("byteCount").get<std::int64_t>(), 100'000);
}

TEST_F(SizeDisplayCommandTest, HistoryShowsWhatAnUninstallFreed) {
  const std::string dropzone = mac.system("/Applications/Dropzone Sync.app");
  auto removed = run({"uninstall", dropzone, "--select", "safe", "--yes"});
  ASSERT_EQ(removed.status, 0) << removed.err;
  EXPECT_NE(removed.out.find("To move to the Trash (2 items, 3.2 MB):\n"), std::string::npos) << removed.out;
  EXPECT_NE(removed.out.find("Moved 2 items to the Trash (3.2 MB); recorded in the history as "),
            std::string::npos)
      << removed.out;
  const std::string history = mac.user("Library/Application Support/Corvane/history.json");
  const std::string id = nlohmann::json::parse(testing::SampleMac::readFile(history)).at(0).at("id");

  auto shown = run({"history", "show", id});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("Moved to the Trash: 2 items\nFreed: 3.2 MB\n"), std::string::npos) << shown.out;
  EXPECT_EQ(testing::SampleMac::readFile(history).find("allocatedBytes"), std::string::npos);
  // Without its figure (a history from before, or a lost side file) the line is left out.
  std::filesystem::remove(cli::freedSizesPath(history));
  shown = run({"history", "show", id});
  EXPECT_EQ(shown.out.find("Freed:"), std::string::npos) << shown.out;
}

}  // namespace
}  // namespace corvane
