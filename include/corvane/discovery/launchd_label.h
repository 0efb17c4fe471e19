#pragma once
// What a launchd label may look like before any call that changes a service: a letter or digit, then up
// to 255 letters, digits, dots, underscores or hyphens.

#include <cstddef>
#include <string_view>

namespace corvane::LaunchdLabel {

inline constexpr std::string_view labelPattern = "^[A-Za-z0-9][A-Za-z0-9._-]{0,255}$";
inline constexpr std::size_t kMaxLength = 256;

// Whether `label` matches labelPattern.
constexpr bool isValid(std::string_view label) {
  if (label.empty() || label.size() > kMaxLength) return false;
  auto alnum = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); };
  if (!alnum(label[0])) return false;
  for (char c : label.substr(1))
    if (!alnum(c) && c != '.' && c != '_' && c != '-') return false;
  return true;
}

static_assert(isValid("com.example.agent") && !isValid("-x") && !isValid("a b") && !isValid("a/b") && !isValid(""));

}  // namespace corvane::LaunchdLabel
