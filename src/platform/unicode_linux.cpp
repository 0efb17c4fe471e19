// Unicode services from ICU.

#include <unicode/brkiter.h>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/stringpiece.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cstring>
#include <memory>

#include "base/ascii.h"
#include "platform/unicode.h"

namespace corvane::platform {

namespace {

bool isAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

icu::StringPiece piece(std::string_view text) {
  return icu::StringPiece(text.data(), static_cast<int32_t>(text.size()));
}

// One collator for the user's language at secondary strength (case ignored, accents kept), built once;
// collators are not safe to share between threads, so each thread compares with its own clone.
const icu::Collator* sharedCollator() {
  static const std::unique_ptr<icu::Collator> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    // Under the C/POSIX locale ICU picks "en_US_POSIX", which orders by code point and so separates
    // capitals from small letters; people sorting names expect the language-neutral root order instead.
    icu::Locale locale = icu::Locale::getDefault();
    if (locale.isBogus() || std::strcmp(locale.getVariant(), "POSIX") == 0) locale = icu::Locale::getRoot();
    std::unique_ptr<icu::Collator> made(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || !made) return std::unique_ptr<icu::Collator>();
    made->setStrength(icu::Collator::SECONDARY);
    return made;
  }();
  return collator.get();
}

icu::Collator* threadCollator() {
  thread_local const std::unique_ptr<icu::Collator> collator(sharedCollator() ? sharedCollator()->clone()
                                                                               : nullptr);
  return collator.get();
}

// The same collator with digit runs compared by value, also one per thread.
icu::Collator* threadNumericCollator() {
  thread_local const std::unique_ptr<icu::Collator> collator = [] {
    std::unique_ptr<icu::Collator> made(sharedCollator() ? sharedCollator()->clone() : nullptr);
    UErrorCode status = U_ZERO_ERROR;
    if (made) made->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    if (U_FAILURE(status)) made.reset();
    return made;
  }();
  return collator.get();
}

// Character boundaries by the root rules; like collators, break iterators are cloned per thread.
icu::BreakIterator* threadCharacterIterator() {
  static const std::unique_ptr<icu::BreakIterator> shared = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> made(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) made.reset();
    return made;
  }();
  thread_local const std::unique_ptr<icu::BreakIterator> mine(shared ? shared->clone() : nullptr);
  return mine.get();
}

}  // namespace

std::string lowercased(std::string_view utf8) {
  if (isAscii(utf8)) return ascii::lowercased(utf8);
  // Ill-formed bytes become U+FFFD on the way in.
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(piece(utf8));
  text.toLower(icu::Locale::getRoot());
  std::string out;
  text.toUTF8String(out);
  return out;
}

bool isAlphanumericScalar(char32_t scalar) {
  if (scalar > 0x10FFFF) return false;
  const auto mask = U_GET_GC_MASK(static_cast<UChar32>(scalar));
  return (mask & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

std::size_t characterCount(std::string_view utf8) {
  if (isAscii(utf8)) return utf8.size();
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(piece(utf8));
  icu::BreakIterator* iterator = threadCharacterIterator();
  if (!iterator) return static_cast<std::size_t>(text.countChar32());
  iterator->setText(text);
  std::size_t count = 0;
  for (int32_t at = iterator->next(); at != icu::BreakIterator::DONE; at = iterator->next()) ++count;
  return count;
}

namespace {

int compareWith(icu::Collator* collator, std::string_view a, std::string_view b) {
  if (collator) {
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult result = collator->compareUTF8(piece(a), piece(b), status);
    if (U_SUCCESS(status)) return result == UCOL_LESS ? -1 : (result == UCOL_GREATER ? 1 : 0);
  }
  // Without collation data: plain comparison of the lower-cased texts.
  int c = lowercased(a).compare(lowercased(b));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b) {
  return compareWith(threadCollator(), a, b);
}

int localizedStandardCompare(std::string_view a, std::string_view b) {
  return compareWith(threadNumericCollator(), a, b);
}

}  // namespace corvane::platform
