#pragma once
// ASCII case mapping. Identifiers, extensions, ids and typed answers compare by their ASCII letters alone:
// the C library's tolower follows the process's locale, which a host app may set, and can then rewrite the
// bytes of UTF-8 text (U+00C0 for 0xC0). Text shown or matched as words goes through platform/unicode.h.

#include <string>
#include <string_view>

namespace corvane::ascii {

constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string lowercased(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = lower(c);
  return out;
}

inline std::string uppercased(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = upper(c);
  return out;
}

}  // namespace corvane::ascii
