#pragma once
// What tells one file-system object from another at the same path: device, inode, file type and, where
// inode numbers come back at once after a delete, a stamp of when the object was made.

#include <cstdint>
#include <string>

#include "corvane/base/result.h"

namespace corvane::platform {

struct ObjectIdentity {
  std::uint32_t device = 0;  // the device number's low 32 bits
  std::uint64_t inode = 0;
  std::uint32_t fileType = 0;  // mode & 0xF000
  // Linux: the birth time in nanoseconds since 1970 where the file system keeps one, else the last status
  // change in nanoseconds (ext4 hands a freed inode number to the next new file at once, so device and inode
  // alone cannot tell a recreated file from the original). macOS: 0, as inode numbers are not reused there.
  std::uint64_t creationStamp = 0;
};

// Read without following a final symbolic link; fails with the errno of the status call.
Result<ObjectIdentity> objectIdentity(const std::string& path);

}  // namespace corvane::platform
