#include "base/decimal_number.h"

#include <cmath>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

namespace corvane {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (lower(text[i]) != word[i]) return false;
  return true;
}

// Digits, at most one '.', at least one digit, then an optional exponent: 'e' or 'E', an optional sign,
// at least one digit. Sets `nonZero` when a digit before the exponent is not '0'.
bool isDecimalForm(std::string_view text, bool& nonZero) {
  std::size_t i = 0;
  bool digits = false, point = false;
  nonZero = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (isDigit(c)) {
      digits = true;
      nonZero = nonZero || c != '0';
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return false;
  if (i == text.size()) return true;
  if (text[i] != 'e' && text[i] != 'E') return false;
  if (++i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (!isDigit(text[i])) return false;
  return true;
}

}  // namespace

std::optional<double> parseDecimalNumber(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  std::string_view magnitude = negative ? text.substr(1) : text;
  if (equalsIgnoringCase(magnitude, "inf") || equalsIgnoringCase(magnitude, "infinity")) {
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  }
  if (equalsIgnoringCase(magnitude, "nan")) {
    return negative ? -std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::quiet_NaN();
  }
  bool nonZero = false;
  if (!isDecimalForm(magnitude, nonZero)) return std::nullopt;

  // The classic locale reads '.' as the decimal point whatever the process's locale is.
  std::istringstream in{std::string(magnitude)};
  in.imbue(std::locale::classic());
  double value = 0;
  in >> value;
  // Out of range: libstdc++ gives the largest double and libc++ infinity, both with failbit; libc++ also
  // sets failbit for a subnormal result, which is kept.
  if (in.fail() && !(value != 0 && std::fabs(value) < std::numeric_limits<double>::min())) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  if (value == 0 && nonZero) return std::nullopt;  // every digit lost to underflow
  return negative ? -value : value;
}

}  // namespace corvane
