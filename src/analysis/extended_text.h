#pragma once
// Text helpers of the extended matching: letters and digits of names, word boundaries, identifier labels
// and stems. ASCII rules: bytes of other scripts count as letters and are left as they are.

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/base/url.h"

namespace corvane::ExtendedMatching::text {

bool isAlnum(char c);
bool isDigit(char c);
bool isUpper(char c);
bool isLower(char c);
// Letters and digits only, lower case.
std::string alnumLower(std::string_view text);
bool startsWith(std::string_view s, std::string_view prefix);
// A word ends between a and b (adjacent letters or digits of one name).
bool boundary(char a, char b);
// The file name without a strippable extension.
std::string stemOf(const Url& url);
// The same, also without a bundle's extension (".kext", ".plugin", ...), which the extended rules read.
std::string bundleStemOf(const Url& url);
// Whether `text` begins with `prefix` (letters and digits, lower case), ignoring case and anything but
// letters and digits, and how many characters of `text` that prefix takes; 0 when it does not.
std::size_t alnumPrefixLength(std::string_view text, std::string_view prefix);
// The labels of an identifier, lower case; and the first `count` of them joined by dots.
std::vector<std::string> labels(std::string_view identifier);
std::string leadingLabels(const std::vector<std::string>& parts, std::size_t count);

template <std::size_t N>
bool among(const std::array<std::string_view, N>& list, std::string_view value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace corvane::ExtendedMatching::text
