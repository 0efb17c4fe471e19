#include "corvane/base/date.h"

#include <cstdio>

namespace corvane::date {

using namespace std::chrono;

Date now() { return floor<seconds>(system_clock::now()); }

std::string iso8601(Date d) {
  auto day = floor<days>(d);
  year_month_day ymd{day};
  hh_mm_ss hms{d - day};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                static_cast<int>(hms.seconds().count()));
  return buf;
}

namespace {

bool digits(std::string_view text, std::size_t at, std::size_t count, int& out) {
  if (at + count > text.size()) return false;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  out = value;
  return true;
}

}  // namespace

std::optional<Date> parseISO8601(std::string_view text) {
  int y, mo, d, h, mi, s;
  if (!digits(text, 0, 4, y) || text.size() < 20 || text[4] != '-' || !digits(text, 5, 2, mo) || text[7] != '-' ||
      !digits(text, 8, 2, d) || (text[10] != 'T' && text[10] != 't') || !digits(text, 11, 2, h) || text[13] != ':' ||
      !digits(text, 14, 2, mi) || text[16] != ':' || !digits(text, 17, 2, s))
    return std::nullopt;
  std::size_t at = 19;
  if (at < text.size() && text[at] == '.') {
    ++at;
    std::size_t start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    if (at == start) return std::nullopt;
  }
  int offsetSeconds = 0;
  if (at < text.size() && (text[at] == 'Z' || text[at] == 'z')) {
    ++at;
  } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    int oh, om;
    if (!digits(text, at + 1, 2, oh) || at + 3 >= text.size() || text[at + 3] != ':' || !digits(text, at + 4, 2, om) ||
        oh > 23 || om > 59)
      return std::nullopt;
    offsetSeconds = (oh * 3600 + om * 60) * (text[at] == '+' ? 1 : -1);
    at += 6;
  } else {
    return std::nullopt;
  }
  if (at != text.size()) return std::nullopt;
  year_month_day ymd{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
  if (!ymd.ok() || h > 23 || mi > 59 || s > 60) return std::nullopt;
  return Date{sys_days{ymd}} + hours{h} + minutes{mi} + seconds{s} - seconds{offsetSeconds};
}

}  // namespace corvane::date
