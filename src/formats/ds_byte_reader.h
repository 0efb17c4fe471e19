#pragma once
// The cursor the .DS_Store parser reads with: big-endian numbers, four-character codes and UTF-16BE
// text at a signed offset over the whole file. A read that does not fit reads nothing, leaves the offset
// where it was and marks the reader failed (sticky); failed reads give zero or empty values.

#include <cstdint>
#include <span>
#include <string>

namespace corvane {

class DSByteReader {
 public:
  explicit DSByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t size() const { return bytes_.size(); }
  std::int64_t offset() const { return offset_; }
  // Any offset may be set; the next read fails unless it lies inside the bytes.
  void setOffset(std::int64_t offset) { offset_ = offset; }
  bool ok() const { return !failed_; }
  // Whether `length` bytes lie between the offset and the end.
  bool fits(std::uint64_t length) const;

  std::uint8_t u8();
  std::uint32_t u32();
  // Four bytes, each the character with that code (bytes above 127 are Latin-1), as UTF-8.
  std::string ascii4();
  // `units` UTF-16BE code units as UTF-8; unpaired surrogates become U+FFFD.
  std::string utf16BE(std::uint64_t units);
  void skip(std::uint64_t length);

 private:
  // The `length` bytes at the offset, moving past them; null (and failed) when they do not fit.
  const std::uint8_t* take(std::uint64_t length);

  std::span<const std::uint8_t> bytes_;
  std::int64_t offset_ = 0;
  bool failed_ = false;
};

}  // namespace corvane
