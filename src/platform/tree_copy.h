#pragma once
// Descriptor-relative calls for copying an item tree into another folder: status without following links,
// link targets, exclusive creation of files, folders and links, one file's data and extended attributes,
// modes and times, flushing, listing a folder by path and removing a tree that was being built. Every call retries after
// EINTR and reports errno exactly.

#include <cstdint>
#include <string>
#include <vector>

#include "corvane/base/result.h"
#include "platform/file_status.h"
#include "platform/retry.h"
#include "platform/unique_fd.h"

struct stat;

namespace corvane::platform {

struct Timestamp {
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;
  bool operator==(const Timestamp&) const = default;
};

// What a copy needs to know of an item, read without following a final link.
struct EntryFacts {
  FileType type = FileType::other;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint32_t mode = 0;           // permission bits and type
  std::int64_t size = 0;            // byte length
  std::int64_t allocatedSize = 0;   // blocks * 512
  Timestamp accessed;
  Timestamp modified;

  std::uint32_t permissions() const { return mode & 07777; }
  bool operator==(const EntryFacts&) const = default;
};

// The longest link target a copy carries over.
inline constexpr std::size_t kMaxLinkTarget = 1023;

Result<EntryFacts> entryFacts(const std::string& path);                // lstat
Result<EntryFacts> entryFactsAt(int dirFd, const std::string& name);   // fstatat, no link following
Result<EntryFacts> entryFactsOf(int fd);                               // fstat
// The system's status record in these terms (the time fields differ between systems).
EntryFacts entryFactsFrom(const struct stat& st);

// The target text of the link `name` in `dirFd`, at most kMaxLinkTarget bytes (a longer one is ENAMETOOLONG).
Result<std::string> readLinkAt(int dirFd, const std::string& name);
Status makeSymlinkAt(const std::string& target, int dirFd, const std::string& name);
// Opens a file for reading; a final link is refused (ELOOP).
Result<UniqueFd> openFileNoFollow(int dirFd, const std::string& name);
// Creates a file for writing; it must not exist (EEXIST), a link there is never followed.
Result<UniqueFd> createFileExclusive(int dirFd, const std::string& name, std::uint32_t mode);

// Copies one file's data and extended attributes (not its access control list, owner or times) from
// `fromFd` to the empty file `toFd`.
Status copyFileContents(int fromFd, int toFd);
// Sets the permission bits (mode & 07777) and the access and modification times.
Status setModeAndTimes(int fd, const EntryFacts& from);
// The same for a link: only its times (a link's mode means nothing).
Status setLinkTimesAt(int dirFd, const std::string& name, const EntryFacts& from);
Status syncDescriptor(int fd);

// The entry names of the folder at the path; empty when it cannot be read.
std::vector<std::string> listNames(const std::string& path);

// Removes `name` in `dirFd` and everything below it, never following links and never leaving the
// device of `dirFd`; a missing item is success. For undoing a partly built copy.
Status removeTreeAt(int dirFd, const std::string& name);

}  // namespace corvane::platform
