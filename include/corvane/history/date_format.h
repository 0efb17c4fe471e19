#pragma once
// The short date texts shown next to each Trash item ("Today", "2 weeks ago", "2026-12-05 14:03").

#include <optional>
#include <string>

#include "corvane/base/date.h"

namespace corvane {

// A calendar's time zone: days begin at local midnight there. An empty zone is the system's current one.
struct Calendar {
  std::string timeZone;  // an IANA zone name such as "Europe/Berlin"; "UTC" for universal time

  static Calendar current() { return {}; }
  static Calendar inZone(std::string zone) { return {std::move(zone)}; }
  bool operator==(const Calendar&) const = default;
};

namespace DateFormat {
// Whole days from the start of a's day to the start of b's day; missing counts as 0, negative becomes 0.
int daysBetween(std::optional<Date> a, std::optional<Date> b, const Calendar& calendar);
// "Today", "Yesterday", "3 days ago", "1 week ago", "2 months ago", "1 year ago", ...
std::string relativeTrashed(Date date, Date now, const Calendar& calendar);
// "yyyy-MM-dd HH:mm" in the given locale (e.g. "en_US_POSIX") and time zone.
std::string absolute(Date date, const std::string& locale, const Calendar& timeZone);
}  // namespace DateFormat

}  // namespace corvane
