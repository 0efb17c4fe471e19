#include "base/utf8.h"

#include <cstddef>
#include <cstdint>

namespace corvane::utf8 {

namespace {

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes the sequence starting at `at`; returns its length, or 0 when it is ill-formed.
std::size_t decodeOne(std::string_view text, std::size_t at, char32_t& scalar) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) {
    scalar = lead;
    return 1;
  }
  std::size_t length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
    minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
    minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
    minimum = 0x10000;
  } else {
    return 0;
  }
  if (length > text.size() - at) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[at + i]);
    if (!isContinuation(c)) return 0;
    value = (value << 6) | (c & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  scalar = value;
  return length;
}

}  // namespace

std::u32string decode(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    char32_t scalar = 0;
    std::size_t length = decodeOne(text, at, scalar);
    if (length == 0) {
      out.push_back(kReplacementCharacter);
      ++at;
    } else {
      out.push_back(scalar);
      at += length;
    }
  }
  return out;
}

void append(std::string& out, char32_t scalar) {
  if (scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF)) scalar = kReplacementCharacter;
  auto byte = [&](std::uint32_t b) { out.push_back(static_cast<char>(static_cast<unsigned char>(b))); };
  const auto v = static_cast<std::uint32_t>(scalar);
  if (v < 0x80) {
    byte(v);
  } else if (v < 0x800) {
    byte(0xC0 | (v >> 6));
    byte(0x80 | (v & 0x3F));
  } else if (v < 0x10000) {
    byte(0xE0 | (v >> 12));
    byte(0x80 | ((v >> 6) & 0x3F));
    byte(0x80 | (v & 0x3F));
  } else {
    byte(0xF0 | (v >> 18));
    byte(0x80 | ((v >> 12) & 0x3F));
    byte(0x80 | ((v >> 6) & 0x3F));
    byte(0x80 | (v & 0x3F));
  }
}

std::string sanitized(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    char32_t scalar = 0;
    std::size_t length = decodeOne(text, at, scalar);
    if (length == 0) {
      append(out, kReplacementCharacter);
      ++at;
    } else {
      out.append(text.substr(at, length));
      at += length;
    }
  }
  return out;
}

}  // namespace corvane::utf8
