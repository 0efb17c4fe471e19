#include "corvane/history/date_format.h"

#include <cmath>

#include "platform/calendar.h"

namespace corvane {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kDaysPerMonth = 30.44;
constexpr double kDaysPerYear = 365.25;

std::string ago(long count, const char* unit) {
  return std::to_string(count) + " " + unit + (count == 1 ? "" : "s") + " ago";
}

}  // namespace

int DateFormat::daysBetween(std::optional<Date> a, std::optional<Date> b, const Calendar& calendar) {
  if (!a || !b) return 0;
  const auto startA = platform::startOfDay(*a, calendar.timeZone);
  const auto startB = platform::startOfDay(*b, calendar.timeZone);
  if (!startA || !startB) return 0;
  // Both are local midnights, so the distance is whole days give or take a daylight-saving shift.
  const double days = std::round(static_cast<double>((*startB - *startA).count()) / kSecondsPerDay);
  return days > 0 ? static_cast<int>(days) : 0;
}

std::string DateFormat::relativeTrashed(Date date, Date now, const Calendar& calendar) {
  const int days = daysBetween(date, now, calendar);
  if (days == 0) return "Today";
  if (days == 1) return "Yesterday";
  if (days < 7) return ago(days, "day");
  if (days < 28) return ago(days / 7, "week");
  // std::lround rounds halves away from zero.
  const long months = std::lround(days / kDaysPerMonth);
  if (months < 12) return ago(months < 2 ? 1 : months, "month");
  const long years = std::lround(days / kDaysPerYear);
  return ago(years < 2 ? 1 : years, "year");
}

std::string DateFormat::absolute(Date date, const std::string& locale, const Calendar& timeZone) {
  return platform::formatDate(date, "yyyy-MM-dd HH:mm", locale, timeZone.timeZone);
}

}  // namespace corvane
