#pragma once
// Instants in whole seconds, and their ISO 8601 text form (2026-12-04T18:41:39Z).

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

using Date = std::chrono::sys_seconds;

namespace date {
Date now();
// "YYYY-MM-DDTHH:MM:SSZ" in UTC.
std::string iso8601(Date date);
// Reads the internet date-time form: a "Z" or "+HH:MM"/"-HH:MM" offset, optional fractional seconds
// (dropped). Anything else is no value.
std::optional<Date> parseISO8601(std::string_view text);
}  // namespace date

}  // namespace corvane
