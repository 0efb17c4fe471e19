#pragma once
// The small on-disk fingerprint of an item: device, inode and file type, taken without following a final link.

#include <cstdint>
#include <functional>
#include <optional>

#include "corvane/url.h"

namespace corvane {

struct DiskIdentity {
  std::uint64_t device = 0;      // the 32-bit device number, zero-extended
  std::uint64_t fileNumber = 0;  // inode number
  std::uint32_t fileType = 0;    // mode & 0xF000

  // The item's identity now (lstat); none when the item is missing or cannot be examined.
  static std::optional<DiskIdentity> current(const Url& at);

  bool operator==(const DiskIdentity&) const = default;
};

}  // namespace corvane

template <>
struct std::hash<corvane::DiskIdentity> {
  std::size_t operator()(const corvane::DiskIdentity& v) const noexcept;
};
