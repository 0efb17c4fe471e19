// Calendar services from ICU.

#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>

#include "platform/calendar.h"

namespace corvane::platform {

namespace {

std::unique_ptr<icu::TimeZone> zoneNamed(const std::string& name) {
  if (name.empty()) return std::unique_ptr<icu::TimeZone>(icu::TimeZone::createDefault());
  return std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(name)));
}

UDate udate(Date date) { return static_cast<UDate>(date.time_since_epoch().count()) * 1000.0; }

}  // namespace

std::optional<Date> startOfDay(Date date, const std::string& timeZone) {
  UErrorCode status = U_ZERO_ERROR;
  icu::GregorianCalendar calendar(zoneNamed(timeZone).release(), status);  // adopts the zone
  if (U_FAILURE(status)) return std::nullopt;
  calendar.setTime(udate(date), status);
  calendar.set(UCAL_HOUR_OF_DAY, 0);
  calendar.set(UCAL_MINUTE, 0);
  calendar.set(UCAL_SECOND, 0);
  calendar.set(UCAL_MILLISECOND, 0);
  const UDate start = calendar.getTime(status);
  if (U_FAILURE(status)) return std::nullopt;
  return Date(std::chrono::seconds(static_cast<std::int64_t>(start / 1000.0)));
}

std::string formatDate(Date date, const std::string& pattern, const std::string& locale, const std::string& timeZone) {
  UErrorCode status = U_ZERO_ERROR;
  icu::SimpleDateFormat format(icu::UnicodeString::fromUTF8(pattern), icu::Locale(locale.c_str()), status);
  if (U_FAILURE(status)) return {};
  format.adoptTimeZone(zoneNamed(timeZone).release());
  icu::UnicodeString text;
  format.format(udate(date), text);
  std::string out;
  text.toUTF8String(out);
  return out;
}

}  // namespace corvane::platform
