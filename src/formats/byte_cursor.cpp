#include "formats/byte_cursor.h"

namespace corvane {

const std::uint8_t* ByteCursor::take(std::uint64_t length) {
  if (!fits(length)) {
    failed_ = true;
    return nullptr;
  }
  const std::uint8_t* at = bytes_.data() + offset_;
  offset_ += length;
  return at;
}

void ByteCursor::seek(std::uint64_t offset) {
  if (failed_ || offset > size())
    failed_ = true;
  else
    offset_ = offset;
}

void ByteCursor::skip(std::uint64_t length) { take(length); }

std::uint8_t ByteCursor::u8() {
  const std::uint8_t* p = take(1);
  return p ? *p : 0;
}

std::uint64_t ByteCursor::unsignedOf(std::uint64_t width, bool bigEndian) {
  if (width == 0 || width > 8) {
    failed_ = true;
    return 0;
  }
  const std::uint8_t* p = take(width);
  if (!p) return 0;
  std::uint64_t value = 0;
  for (std::uint64_t i = 0; i < width; ++i) value = value << 8 | p[bigEndian ? i : width - 1 - i];
  return value;
}

std::span<const std::uint8_t> ByteCursor::bytes(std::uint64_t length) {
  const std::uint8_t* p = take(length);
  if (!p) return {};
  return {p, static_cast<std::size_t>(length)};
}

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

ByteCursor ByteCursor::slice(std::uint64_t offset, std::uint64_t length) const {
  ByteCursor part;
  if (failed_ || offset > size() || length > size() - offset)
    part.failed_ = true;
  else
    part.bytes_ = bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
  return part;
}

}  // namespace corvane
