// Calendar services from CoreFoundation.

#include <CoreFoundation/CoreFoundation.h>

#include <vector>

#include "platform/calendar.h"

namespace corvane::platform {

namespace {

struct Released {
  CFTypeRef ref;
  ~Released() {
    if (ref) CFRelease(ref);
  }
};

// Seconds between 1970 and the reference date 2001-01-01.
constexpr double kReferenceDateOffset = 978307200.0;

CFStringRef makeString(const std::string& utf8) {
  return CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(utf8.data()),
                                 static_cast<CFIndex>(utf8.size()), kCFStringEncodingUTF8, false);
}

// The named zone, the system's current one for "", or UTC for a name it does not know. Names are zone
// names only, never abbreviations: with abbreviations tried, "EST" would name the New York zone (with
// daylight saving) where ICU reads the fixed UTC-5 zone of that name.
CFTimeZoneRef zoneNamed(const std::string& name) {
  if (name.empty()) return CFTimeZoneCopySystem();
  Released cfName{makeString(name)};
  CFTimeZoneRef zone = CFTimeZoneCreateWithName(kCFAllocatorDefault, static_cast<CFStringRef>(cfName.ref), false);
  return zone ? zone : CFTimeZoneCreateWithTimeIntervalFromGMT(kCFAllocatorDefault, 0);
}

CFAbsoluteTime absoluteTime(Date date) {
  return static_cast<double>(date.time_since_epoch().count()) - kReferenceDateOffset;
}

}  // namespace

std::optional<Date> startOfDay(Date date, const std::string& timeZone) {
  CFCalendarRef calendar = CFCalendarCreateWithIdentifier(kCFAllocatorDefault, kCFGregorianCalendar);
  Released calendarGuard{calendar};
  CFTimeZoneRef zone = zoneNamed(timeZone);
  Released zoneGuard{zone};
  if (!calendar || !zone) return std::nullopt;
  CFCalendarSetTimeZone(calendar, zone);
  CFAbsoluteTime start = 0;
  CFTimeInterval length = 0;
  if (!CFCalendarGetTimeRangeOfUnit(calendar, kCFCalendarUnitDay, absoluteTime(date), &start, &length))
    return std::nullopt;
  return Date(std::chrono::seconds(static_cast<std::int64_t>(start + kReferenceDateOffset)));
}

std::string formatDate(Date date, const std::string& pattern, const std::string& locale, const std::string& timeZone) {
  CFStringRef localeName = makeString(locale);
  Released localeNameGuard{localeName};
  CFLocaleRef cfLocale = CFLocaleCreate(kCFAllocatorDefault, localeName);
  Released localeGuard{cfLocale};
  CFDateFormatterRef formatter =
      CFDateFormatterCreate(kCFAllocatorDefault, cfLocale, kCFDateFormatterNoStyle, kCFDateFormatterNoStyle);
  Released formatterGuard{formatter};
  CFStringRef cfPattern = makeString(pattern);
  Released patternGuard{cfPattern};
  CFTimeZoneRef zone = zoneNamed(timeZone);
  Released zoneGuard{zone};
  if (!formatter || !cfPattern || !zone) return {};
  CFDateFormatterSetFormat(formatter, cfPattern);
  CFDateFormatterSetProperty(formatter, kCFDateFormatterTimeZone, zone);
  CFStringRef text = CFDateFormatterCreateStringWithAbsoluteTime(kCFAllocatorDefault, formatter, absoluteTime(date));
  Released textGuard{text};
  if (!text) return {};
  const CFIndex length = CFStringGetLength(text);
  CFIndex used = 0;
  CFStringGetBytes(text, CFRangeMake(0, length), kCFStringEncodingUTF8, 0, false, nullptr, 0, &used);
  std::vector<UInt8> bytes(static_cast<std::size_t>(used));
  CFStringGetBytes(text, CFRangeMake(0, length), kCFStringEncodingUTF8, 0, false, bytes.data(), used, &used);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace corvane::platform
