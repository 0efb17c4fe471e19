#pragma once
// The one status record of the code base: what the system says of one item, read without following a
// final symbolic link.

#include <cstdint>

namespace corvane::platform {

enum class FileType { regular, directory, symlink, other };

struct FileStatus {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint32_t mode = 0;  // permission bits and type
  std::int64_t size = 0;
  std::int64_t allocatedSize = 0;  // blocks * 512
  std::int64_t modifiedSeconds = 0;
  std::int64_t changedSeconds = 0;
  std::uint32_t uid = 0;
  std::uint64_t linkCount = 1;  // hard links to the item
  // The sub-second parts of the times and the access time, which a copy carries over.
  std::int64_t modifiedNanoseconds = 0;
  std::int64_t accessedSeconds = 0;
  std::int64_t accessedNanoseconds = 0;
  std::uint32_t flags = 0;  // BSD file flags; always 0 where the file system has none
  // When the object was made, in nanoseconds since 1970, where inode numbers come back at once after a
  // delete (Linux: the birth time, else the last status change); 0 where they do not, and 0 unless read
  // by identityStatus.
  std::uint64_t creationStamp = 0;

  FileType type() const;
  std::uint32_t permissions() const { return mode & 07777; }
  bool operator==(const FileStatus&) const = default;
};

inline constexpr std::uint32_t kFileTypeMask = 0xF000;

}  // namespace corvane::platform
