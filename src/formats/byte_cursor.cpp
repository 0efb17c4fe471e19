#include "formats/byte_cursor.h"

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

ByteCursor ByteCursor::slice(std::uint64_t offset, std::uint64_t length) const {
  ByteCursor part;
  if (failed_ || offset > size() || length > size() - offset)
    part.failed_ = true;
  else
    part.bytes_ = bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
  return part;
}

}  // namespace corvane
