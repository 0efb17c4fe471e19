#include <locale.h>
#include <stdlib.h>
#if __has_include(<xlocale.h>)
#include <xlocale.h>  // strtod_l on macOS; glibc declares it in <stdlib.h>
#endif

#include <cerrno>
#include <limits>
#include <string>

#include "base/decimal_number.h"

namespace corvane::platform {

namespace {

// The C locale, made once and kept for the life of the process.
locale_t cLocale() {
  static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

constexpr double kLargest = std::numeric_limits<double>::max();

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// strtod also takes leading blanks, a '+' and hexadecimal forms; those are refused before it is asked.
bool startsLikeADecimal(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  if (text.empty()) return false;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return false;
  char c = text.front();
  return isDigit(c) || c == '.' || c == 'i' || c == 'I' || c == 'n' || c == 'N';
}

}  // namespace

std::optional<double> parseDecimalNumber(std::string_view text) {
  if (!startsLikeADecimal(text)) return std::nullopt;
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  locale_t c = cLocale();
  if (c == static_cast<locale_t>(nullptr)) return std::nullopt;
  const std::string terminated(text);
  char* end = nullptr;
  errno = 0;
  double value = ::strtod_l(terminated.c_str(), &end, c);
  if (end != terminated.c_str() + terminated.size()) return std::nullopt;
  // ERANGE also flags a subnormal result, which is kept; an overflow or a total underflow is not.
  if (errno == ERANGE && (value == 0 || value > kLargest || value < -kLargest)) return std::nullopt;
  return value;
}

}  // namespace corvane::platform
