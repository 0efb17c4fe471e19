// Unicode services from CoreFoundation.

#include <CoreFoundation/CoreFoundation.h>

#include <vector>

#include "platform/unicode.h"
#include "base/utf8.h"

namespace corvane::platform {

namespace {

struct Released {
  CFTypeRef ref;
  ~Released() {
    if (ref) CFRelease(ref);
  }
};

// CoreFoundation refuses ill-formed UTF-8, so bad bytes are replaced first.
CFStringRef makeString(std::string_view utf8) {
  std::string clean = utf8::sanitized(utf8);
  return CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(clean.data()),
                                 static_cast<CFIndex>(clean.size()), kCFStringEncodingUTF8, false);
}

std::string toUtf8(CFStringRef text) {
  CFIndex length = CFStringGetLength(text);
  CFIndex used = 0;
  CFStringGetBytes(text, CFRangeMake(0, length), kCFStringEncodingUTF8, 0, false, nullptr, 0, &used);
  std::vector<UInt8> bytes(static_cast<std::size_t>(used));
  CFStringGetBytes(text, CFRangeMake(0, length), kCFStringEncodingUTF8, 0, false, bytes.data(), used, &used);
  return std::string(bytes.begin(), bytes.end());
}

// CoreFoundation drops a leading byte-order mark where ICU keeps it as the character U+FEFF; the mark is
// split off here and handled as ICU does (kept in the text, counted as one character of its own).
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool startsWithByteOrderMark(std::string_view utf8) { return utf8.substr(0, kByteOrderMark.size()) == kByteOrderMark; }

}  // namespace

std::string lowercased(std::string_view utf8) {
  if (startsWithByteOrderMark(utf8))
    return std::string(kByteOrderMark) + lowercased(utf8.substr(kByteOrderMark.size()));
  bool ascii = true;
  for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {  // most identifiers: no need for a round trip through CoreFoundation
    std::string out(utf8);
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
  }
  CFStringRef text = makeString(utf8);
  Released textGuard{text};
  if (!text) return std::string(utf8);
  CFMutableStringRef copy = CFStringCreateMutableCopy(kCFAllocatorDefault, 0, text);
  Released copyGuard{copy};
  if (!copy) return std::string(utf8);
  CFStringLowercase(copy, nullptr);
  return toUtf8(copy);
}

bool isAlphanumericScalar(char32_t scalar) {
  if (scalar > 0x10FFFF) return false;
  return CFCharacterSetIsLongCharacterMember(CFCharacterSetGetPredefined(kCFCharacterSetAlphaNumeric),
                                             static_cast<UTF32Char>(scalar));
}

std::size_t characterCount(std::string_view utf8) {
  if (startsWithByteOrderMark(utf8)) return 1 + characterCount(utf8.substr(kByteOrderMark.size()));
  CFStringRef text = makeString(utf8);
  Released textGuard{text};
  if (!text) return utf8.size();
  CFIndex length = CFStringGetLength(text);
  std::size_t count = 0;
  for (CFIndex at = 0; at < length; ++count) {
    CFRange range = CFStringGetRangeOfComposedCharactersAtIndex(text, at);
    at = range.location + (range.length > 0 ? range.length : 1);
  }
  return count;
}

namespace {

int compareWith(std::string_view a, std::string_view b, CFStringCompareFlags flags) {
  CFStringRef left = makeString(a);
  Released leftGuard{left};
  CFStringRef right = makeString(b);
  Released rightGuard{right};
  if (!left || !right) {
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  CFComparisonResult result = CFStringCompare(left, right, flags);
  return result == kCFCompareLessThan ? -1 : (result == kCFCompareGreaterThan ? 1 : 0);
}

}  // namespace

int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b) {
  return compareWith(a, b, kCFCompareCaseInsensitive | kCFCompareLocalized);
}

int localizedStandardCompare(std::string_view a, std::string_view b) {
  return compareWith(a, b,
                     kCFCompareCaseInsensitive | kCFCompareNonliteral | kCFCompareLocalized |
                         kCFCompareNumerically | kCFCompareWidthInsensitive);
}

}  // namespace corvane::platform
