#pragma once
// A small UTF-8 codec. Decoding never fails: every byte that does not begin a well-formed sequence
// (stray continuation bytes, truncated or overlong sequences, surrogates, values above U+10FFFF)
// becomes one U+FFFD and decoding resumes at the next byte.

#include <string>
#include <string_view>

namespace corvane::utf8 {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

std::u32string decode(std::string_view text);
// Appends the encoding of one scalar; surrogates and values above U+10FFFF append U+FFFD.
void append(std::string& out, char32_t scalar);
// The text with every ill-formed byte replaced by U+FFFD (well-formed text comes back unchanged).
std::string sanitized(std::string_view text);

}  // namespace corvane::utf8
