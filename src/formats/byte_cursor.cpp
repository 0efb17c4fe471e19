#include "formats/byte_cursor.h"

#include "base/utf8.h"

namespace corvane {

std::string_view ByteCursor::text(std::uint64_t length) {
  auto b = bytes(length);
  return {reinterpret_cast<const char*>(b.data()), b.size()};
}

std::string_view ByteCursor::cString() {
  if (failed_) return {};
  for (std::uint64_t end = offset_; end < size(); ++end) {
    if (bytes_[end] == 0) {
      std::string_view found = text(end - offset_);
      skip(1);
      return found;
    }
  }
  failed_ = true;
  return {};
}

std::string ByteCursor::fourCharCode() {
  std::string out;
  for (std::uint8_t b : bytes(4)) utf8::append(out, b);
  return out;
}

std::string ByteCursor::utf16BE(std::uint64_t units) {
  std::string out;
  if (!fits(units, 2)) {
    failed_ = true;
    return out;
  }
  const std::uint8_t* p = take(units * 2);
  out.reserve(static_cast<std::size_t>(units));
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

ByteCursor ByteCursor::slice(std::uint64_t offset, std::uint64_t length) const {
  ByteCursor part;
  if (failed_ || offset > size() || length > size() - offset)
    part.failed_ = true;
  else
    part.bytes_ = bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
  return part;
}

}  // namespace corvane
