#pragma once
// Status of one item, read without following a final symbolic link.

#include <cstdint>

namespace corvane::platform {

enum class FileType { regular, directory, symlink, other };

struct FileStatus {
  std::uint32_t device = 0;  // the device number's low 32 bits
  std::uint64_t inode = 0;
  std::uint32_t mode = 0;
  std::int64_t size = 0;
  std::int64_t allocatedSize = 0;  // blocks * 512
  std::int64_t modifiedSeconds = 0;
  std::int64_t changedSeconds = 0;
  std::uint32_t uid = 0;
  std::uint64_t linkCount = 1;  // hard links to the item

  FileType type() const;
  bool operator==(const FileStatus&) const = default;
};

inline constexpr std::uint32_t kFileTypeMask = 0xF000;

}  // namespace corvane::platform
