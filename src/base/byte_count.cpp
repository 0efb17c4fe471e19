#include "corvane/base/byte_count.h"

#include <array>
#include <cstdio>

namespace corvane::byteCount {

std::string fileSize(std::int64_t bytes) {
  if (bytes == 0) return "Zero KB";
  const std::string sign = bytes < 0 ? "-" : "";
  // The magnitude as unsigned, so that the smallest 64-bit value does not overflow.
  const std::uint64_t magnitude = bytes < 0 ? 0 - static_cast<std::uint64_t>(bytes) : static_cast<std::uint64_t>(bytes);
  if (magnitude == 1) return sign + "1 byte";
  if (magnitude < 1000) return sign + std::to_string(magnitude) + " bytes";
  const std::uint64_t kilobytes = (magnitude + 500) / 1000;
  if (kilobytes < 1000) return sign + std::to_string(kilobytes) + " KB";

  static constexpr std::array<const char*, 4> kUnits{"MB", "GB", "TB", "PB"};
  double value = static_cast<double>(magnitude) / 1e6;
  std::size_t unit = 0;
  // 999.95 would print as "1000.0": move up a unit instead.
  while (value >= 999.95 && unit + 1 < kUnits.size()) {
    value /= 1000;
    ++unit;
  }
  char text[48];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return sign + text;
}

}  // namespace corvane::byteCount
