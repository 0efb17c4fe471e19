#include "corvane/history/date_format.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace std::chrono_literals;

// 2026-03-20 10:30 in Berlin (09:30 UTC).
const Date kNow = Date(std::chrono::sys_days(std::chrono::year(2026) / 3 / 20)) + 9h + 30min;

TEST(DateFormat, RelativeTrashed) {
  const auto berlin = Calendar::inZone("Europe/Berlin");
  const std::vector<std::pair<int, std::string>> cases = {
      {0, "Today"},          {1, "Yesterday"},        {2, "2 days ago"},      {6, "6 days ago"},
      {7, "1 week ago"},     {13, "1 week ago"},      {14, "2 weeks ago"},    {27, "3 weeks ago"},
      {28, "1 month ago"},   {45, "1 month ago"},     {46, "2 months ago"},   {334, "11 months ago"},
      {350, "11 months ago"}, {351, "1 year ago"},   {366, "1 year ago"},     {548, "2 years ago"},   {-3, "Today"},
  };
  for (const auto& [days, text] : cases) {
    SCOPED_TRACE(days);
    EXPECT_EQ(DateFormat::relativeTrashed(kNow - std::chrono::days(days), kNow, berlin), text);
  }
}

TEST(DateFormat, DaysCountLocalMidnights) {
  struct Case {
    const char* what;
    Date a, b;
    std::string zone;
    int days;
  };
  const std::vector<Case> cases = {
      // 00:30 in Berlin is still the previous day in UTC.
      {"after midnight in Berlin", kNow - 10h, kNow, "Europe/Berlin", 0},
      {"same instants in UTC", kNow - 10h, kNow, "UTC", 1},
      // The clocks went forward on 2026-03-29, so that day has 23 hours.
      {"across the spring change", kNow + 8 * 24h, kNow + 10 * 24h, "Europe/Berlin", 2},
      {"one minute before midnight", kNow + 13h + 29min, kNow + 13h + 31min, "Europe/Berlin", 1},
      {"later first", kNow, kNow - 48h, "Europe/Berlin", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DateFormat::daysBetween(c.a, c.b, Calendar::inZone(c.zone)), c.days);
  }
  EXPECT_EQ(DateFormat::daysBetween(std::nullopt, kNow, Calendar::current()), 0);
}

TEST(DateFormat, AbsoluteInTwoZones) {
  EXPECT_EQ(DateFormat::absolute(kNow, "en_US_POSIX", Calendar::inZone("Europe/Berlin")), "2026-03-20 10:30");
  EXPECT_EQ(DateFormat::absolute(kNow, "en_US_POSIX", Calendar::inZone("America/Los_Angeles")), "2026-03-20 02:30");
  EXPECT_EQ(DateFormat::absolute(kNow, "en_US_POSIX", Calendar::inZone("UTC")), "2026-03-20 09:30");
  // Zone names, never abbreviations: "EST" is the fixed UTC-5 zone, not New York's summer time.
  EXPECT_EQ(DateFormat::absolute(kNow, "en_US_POSIX", Calendar::inZone("EST")), "2026-03-20 04:30");
  EXPECT_EQ(DateFormat::absolute(kNow, "en_US_POSIX", Calendar::inZone("America/New_York")), "2026-03-20 05:30");
}

}  // namespace
}  // namespace corvane
