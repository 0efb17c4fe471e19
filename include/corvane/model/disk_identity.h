#pragma once
// The small on-disk fingerprint of an item: device, inode and file type, taken without following a final link.

#include <cstdint>
#include <functional>
#include <optional>

#include "corvane/base/url.h"

namespace corvane {

struct DiskIdentity {
  std::uint64_t device = 0;      // the 32-bit device number, zero-extended
  std::uint64_t fileNumber = 0;  // inode number
  std::uint32_t fileType = 0;    // mode & 0xF000
  // When the object was made, where the platform needs it to tell a recreated file from the original
  // (Linux reuses a freed inode number at once); 0 when unknown. It is not part of the JSON form nor of
  // equality and hashing: it only sharpens `isSameObject`.
  std::uint64_t creationStamp = 0;

  // Whether both describe the very same object: the three fields are equal and, when both carry a
  // creation stamp, so are the stamps.
  bool isSameObject(const DiskIdentity& other) const {
    return *this == other && (creationStamp == 0 || other.creationStamp == 0 || creationStamp == other.creationStamp);
  }

  bool operator==(const DiskIdentity& other) const {
    return device == other.device && fileNumber == other.fileNumber && fileType == other.fileType;
  }
};

}  // namespace corvane

template <>
struct std::hash<corvane::DiskIdentity> {
  std::size_t operator()(const corvane::DiskIdentity& v) const noexcept;
};
