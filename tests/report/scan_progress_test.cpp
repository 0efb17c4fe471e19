#include "report/scan_progress.h"

#include <gtest/gtest.h>

#include <sstream>

#include "sample_mac/sample_mac.h"

namespace corvane::report {
namespace {

TEST(ScanProgressTest, ShowsEntriesAfterTheDelayOnlyWhenEnabled) {
  using namespace std::chrono;
  steady_clock::time_point now{};
  auto clock = [&now] { return now; };
  struct Case {
    bool enabled;
    std::vector<std::pair<int, std::uint64_t>> reports;  // milliseconds since start, entries
    std::string shown;
  } cases[] = {
      {true, {{500, 10}, {1000, 1}, {1050, 20}, {1200, 4096}}, "\r\033[KMeasuring… 1 entry walked\r\033[KMeasuring… 4096 entries walked\r\033[K"},
      {true, {{999, 10}}, ""},
      {false, {{5000, 10}}, ""},
  };
  for (const auto& c : cases) {
    std::ostringstream err;
    now = {};
    {
      ScanProgress progress(err, c.enabled, clock);
      EXPECT_EQ(static_cast<bool>(progress.callback()), c.enabled);
      for (auto [ms, entries] : c.reports) {
        now = steady_clock::time_point{} + milliseconds(ms);
        progress.report(entries);
      }
    }
    EXPECT_EQ(err.str(), c.shown);
  }
}

TEST(ScanProgressTest, AnyScanOverTheFileSystemCountsWhatItMeets) {
  testing::TemporaryFolder tmp{"corvane-progress"};
  for (const char* name : {"a/1", "a/2", "b"}) testing::SampleMac::writeFile(tmp.path() + "/" + name, "x");
  std::ostringstream err;
  {
    ScanProgress progress(err, true, std::chrono::steady_clock::now, std::chrono::milliseconds(0), "Analysing");
    CountingFileSystem counting(platform::sharedRealFileSystem(), progress);
    ASSERT_TRUE(counting.list(tmp.path(), {}).has_value());
    ASSERT_TRUE(counting.walk(tmp.path() + "/a", {}, [](const platform::WalkItem&) { return platform::WalkStep::descend; })
                    .has_value());
  }
  // The first report shows at once (no delay here); those within a tenth of a second after it do not.
  EXPECT_TRUE(err.str().starts_with("\r\033[KAnalysing… 2 entries walked")) << err.str();
  EXPECT_TRUE(err.str().ends_with("\r\033[K")) << err.str();
}

}  // namespace
}  // namespace corvane::report
