#include "formats/ds_byte_reader.h"

#include "base/utf8.h"

namespace corvane {

bool DSByteReader::fits(std::uint64_t length) const {
  if (failed_ || offset_ < 0) return false;
  const auto at = static_cast<std::uint64_t>(offset_);
  return at <= size() && length <= size() - at;
}

const std::uint8_t* DSByteReader::take(std::uint64_t length) {
  if (!fits(length)) {
    failed_ = true;
    return nullptr;
  }
  const std::uint8_t* at = bytes_.data() + offset_;
  offset_ += static_cast<std::int64_t>(length);
  return at;
}

std::uint8_t DSByteReader::u8() {
  const std::uint8_t* p = take(1);
  return p ? *p : 0;
}

std::uint32_t DSByteReader::u32() {
  const std::uint8_t* p = take(4);
  if (!p) return 0;
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

std::string DSByteReader::ascii4() {
  const std::uint8_t* p = take(4);
  std::string out;
  if (!p) return out;
  for (int i = 0; i < 4; ++i) utf8::append(out, p[i]);
  return out;
}

std::string DSByteReader::utf16BE(std::uint64_t units) {
  std::string out;
  if (units > size() / 2) {  // 2 * units cannot overflow below this
    failed_ = true;
    return out;
  }
  const std::uint8_t* p = take(units * 2);
  if (!p) return out;
  out.reserve(units);
  auto unit = [p](std::uint64_t i) { return static_cast<char16_t>(p[2 * i] << 8 | p[2 * i + 1]); };
  for (std::uint64_t i = 0; i < units; ++i) {
    const char16_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      const char16_t low = unit(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        utf8::append(out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (char32_t{low} - 0xDC00));
        ++i;
        continue;
      }
    }
    // utf8::append turns a lone surrogate into U+FFFD.
    utf8::append(out, u);
  }
  return out;
}

void DSByteReader::skip(std::uint64_t length) { take(length); }

}  // namespace corvane
