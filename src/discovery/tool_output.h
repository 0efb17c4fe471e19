#pragma once
// Reading what a command-line tool printed: strict UTF-8 validation, trimming and splitting into lines.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::tool_output {

// Well-formed UTF-8 only: no stray continuation bytes, truncated or overlong sequences, surrogates or
// values above U+10FFFF.
bool isValidUTF8(std::span<const std::uint8_t> bytes);
bool isValidUTF8(std::string_view text);

// Without leading and trailing white space and line breaks: U+0009 to U+000D, U+0085 and the Unicode
// space, line and paragraph separators (U+0020, U+00A0, U+1680, U+2000 to U+200A, U+2028, U+2029,
// U+202F, U+205F, U+3000).
std::string trimmedWhitespaceAndNewlines(std::string_view text);

// The text split at line breaks (U+000A to U+000D, U+0085, U+2028, U+2029), empty lines dropped.
std::vector<std::string> nonEmptyLines(std::string_view text);

}  // namespace corvane::tool_output
