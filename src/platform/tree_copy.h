#pragma once
// Descriptor-relative calls for copying an item tree into another folder (the tree itself is walked by
// the tree engine): link targets, exclusive creation of files and links, one file's data and extended
// attributes, modes and times, flushing, and listing a folder by path. Every call retries after EINTR and
// reports errno exactly.

#include <cstdint>
#include <string>
#include <vector>

#include "corvane/base/result.h"
#include "platform/file_status.h"
#include "platform/retry.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

// The longest link target a copy carries over.
inline constexpr std::size_t kMaxLinkTarget = 1023;

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
Status setModeAndTimes(int fd, const FileStatus& from);
// The same for a link: only its times (a link's mode means nothing).
Status setLinkTimesAt(int dirFd, const std::string& name, const FileStatus& from);
Status syncDescriptor(int fd);

// The entry names of the folder at the path; empty when it cannot be read.
std::vector<std::string> listNames(const std::string& path);

}  // namespace corvane::platform
