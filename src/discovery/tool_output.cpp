#include "discovery/tool_output.h"

namespace corvane::tool_output {

namespace {

// The length of the well-formed sequence at `at`, or 0 when the bytes there are not one.
std::size_t sequenceLength(std::span<const std::uint8_t> bytes, std::size_t at) {
  const std::size_t left = bytes.size() - at;
  const std::uint8_t lead = bytes[at];
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (length > left) return 0;
  if (bytes[at + 1] < low || bytes[at + 1] > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (bytes[at + i] < 0x80 || bytes[at + i] > 0xBF) return 0;
  return length;
}

std::span<const std::uint8_t> asBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The scalar that starts at `at` and its length; none for a malformed sequence (taken as one byte).
struct Scalar {
  char32_t value = 0;
  std::size_t length = 1;
  bool valid = false;
};

Scalar scalarAt(std::string_view text, std::size_t at) {
  auto bytes = asBytes(text);
  std::size_t length = sequenceLength(bytes, at);
  if (length == 0) return {};
  char32_t value = length == 1 ? bytes[at] : (bytes[at] & (0xFF >> (length + 1)));
  for (std::size_t i = 1; i < length; ++i) value = (value << 6) | (bytes[at + i] & 0x3F);
  return {value, length, true};
}

bool isLineBreak(char32_t c) { return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029; }

bool isWhitespaceOrLineBreak(char32_t c) {
  return isLineBreak(c) || c == 0x09 || c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
         c == 0x202F || c == 0x205F || c == 0x3000;
}

}  // namespace

bool isValidUTF8(std::span<const std::uint8_t> bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t length = sequenceLength(bytes, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

bool isValidUTF8(std::string_view text) { return isValidUTF8(asBytes(text)); }

std::string trimmedWhitespaceAndNewlines(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    Scalar s = scalarAt(text, begin);
    if (!s.valid || !isWhitespaceOrLineBreak(s.value)) break;
    begin += s.length;
  }
  // The end of the last scalar that is not white space.
  std::size_t end = begin;
  for (std::size_t at = begin; at < text.size();) {
    Scalar s = scalarAt(text, at);
    at += s.length;
    if (!s.valid || !isWhitespaceOrLineBreak(s.value)) end = at;
  }
  return std::string(text.substr(begin, end - begin));
}

std::vector<std::string> nonEmptyLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at = 0; at < text.size();) {
    Scalar s = scalarAt(text, at);
    if (s.valid && isLineBreak(s.value)) {
      if (at > start) lines.emplace_back(text.substr(start, at - start));
      start = at + s.length;
    }
    at += s.length;
  }
  if (text.size() > start) lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace corvane::tool_output
