#pragma once
// A bounds-checked reader over untrusted bytes with a sticky error. Every read is checked against the end
// of the bytes; a read that does not fit reads nothing, leaves the offset where it was and marks the cursor
// failed, after which every read fails the same way. A parser reads a whole structure, then checks ok() once.
// Failed reads give zero or empty values, so they are safe to use until that check.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

class ByteCursor {
 public:
  ByteCursor() = default;
  explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t size() const { return bytes_.size(); }
  std::uint64_t offset() const { return offset_; }
  std::uint64_t remaining() const { return size() - offset_; }
  bool ok() const { return !failed_; }

  // Whether `count` items of `itemSize` bytes each (itemSize > 0) lie between the offset and the end;
  // nothing is read and nothing can overflow.
  bool fits(std::uint64_t count, std::uint64_t itemSize = 1) const {
    return ok() && itemSize != 0 && count <= remaining() / itemSize;
  }

  // Moves to `offset` (at most the size) or, with skip, `length` bytes on.
  void seek(std::uint64_t offset) {
    if (failed_ || offset > size())
      failed_ = true;
    else
      offset_ = offset;
  }
  void skip(std::uint64_t length) { take(length); }

  std::uint8_t u8() {
    const std::uint8_t* p = take(1);
    return p ? *p : 0;
  }
  std::uint16_t be16() { return static_cast<std::uint16_t>(unsignedOf(2, true)); }
  std::uint32_t be32() { return static_cast<std::uint32_t>(unsignedOf(4, true)); }
  std::uint64_t be64() { return unsignedOf(8, true); }
  std::uint16_t le16() { return static_cast<std::uint16_t>(unsignedOf(2, false)); }
  std::uint32_t le32() { return static_cast<std::uint32_t>(unsignedOf(4, false)); }
  std::uint64_t le64() { return unsignedOf(8, false); }
  std::uint32_t u32(bool bigEndian) { return static_cast<std::uint32_t>(unsignedOf(4, bigEndian)); }
  // An unsigned big-endian number of 1 to 8 bytes, widened to 64 bits; any other width fails.
  std::uint64_t be(std::uint64_t width) { return unsignedOf(width, true); }

  std::span<const std::uint8_t> bytes(std::uint64_t length) {
    const std::uint8_t* p = take(length);
    if (!p) return {};
    return {p, static_cast<std::size_t>(length)};
  }
  std::string_view text(std::uint64_t length);
  // The text up to the next NUL, which is read too; fails when no NUL comes before the end.
  std::string_view cString();
  // Four bytes, each the character with that code (bytes above 127 are Latin-1), as UTF-8.
  std::string fourCharCode();
  // `units` UTF-16BE code units as UTF-8; unpaired surrogates become U+FFFD.
  std::string utf16BE(std::uint64_t units);

  // A cursor over the `length` bytes at `offset` (from the start, not from the current offset); it is
  // empty and failed when they do not all lie inside, or when this cursor has failed.
  ByteCursor slice(std::uint64_t offset, std::uint64_t length) const;

 private:
  // The `length` bytes at the offset, moving past them; null (and failed) when they do not fit.
  const std::uint8_t* take(std::uint64_t length) {
    if (!fits(length)) {
      failed_ = true;
      return nullptr;
    }
    const std::uint8_t* at = bytes_.data() + offset_;
    offset_ += length;
    return at;
  }
  std::uint64_t unsignedOf(std::uint64_t width, bool bigEndian) {
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

  std::span<const std::uint8_t> bytes_;
  std::uint64_t offset_ = 0;
  bool failed_ = false;
};

}  // namespace corvane
