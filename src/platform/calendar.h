#pragma once
// The Gregorian calendar of a named time zone: where a day begins, and dates written with a pattern in a
// locale. An empty zone is the system's current one; an unknown zone name is read as UTC.

#include <optional>
#include <string>

#include "corvane/base/date.h"

namespace corvane::platform {

// The first instant of the local day holding `date` in `timeZone`; none when the calendar cannot say.
std::optional<Date> startOfDay(Date date, const std::string& timeZone);

// `date` written with a date pattern such as "yyyy-MM-dd HH:mm" in `locale` (e.g. "en_US_POSIX") and
// `timeZone`; empty when the pattern or locale cannot be used.
std::string formatDate(Date date, const std::string& pattern, const std::string& locale, const std::string& timeZone);

}  // namespace corvane::platform
