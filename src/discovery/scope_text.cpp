#include "discovery/scope_text.h"

#include <cstdint>

namespace corvane::discovery {

namespace {

bool isWhitespaceOrNewline(char32_t c) {
  if ((c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680) return true;
  if (c >= 0x2000 && c <= 0x200A) return true;
  return c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// The length of a well-formed UTF-8 sequence starting at `at` and its scalar; 0 when malformed.
std::size_t decodeAt(std::string_view text, std::size_t at, char32_t& scalar) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(at);
  std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
  if (length == 0 || length > text.size() - at) return 0;
  scalar = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    scalar = (scalar << 6) | (byte(at + i) & 0x3F);
  }
  return length;
}

}  // namespace

std::string_view trimmedWhitespace(std::string_view text) {
  char32_t scalar = 0;
  while (!text.empty()) {
    std::size_t length = decodeAt(text, 0, scalar);
    if (length == 0 || !isWhitespaceOrNewline(scalar)) break;
    text.remove_prefix(length);
  }
  while (!text.empty()) {
    // Step back over continuation bytes to the start of the last sequence (at most 4 bytes).
    std::size_t start = text.size() - 1;
    while (start > 0 && text.size() - start < 4 && (static_cast<std::uint8_t>(text[start]) & 0xC0) == 0x80) --start;
    std::size_t length = decodeAt(text, start, scalar);
    if (length != text.size() - start || !isWhitespaceOrNewline(scalar)) break;
    text.remove_suffix(length);
  }
  return text;
}

std::string upperCasedASCII(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string trimmedUpperCased(std::string_view text) { return upperCasedASCII(trimmedWhitespace(text)); }

}  // namespace corvane::discovery
