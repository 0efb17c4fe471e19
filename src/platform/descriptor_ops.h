#pragma once
// The calls the permanent remover makes, each relative to an open folder and never following a final
// symbolic link. Every call retries after EINTR and reports failure as an errno (0 for success).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_status.h"

namespace corvane::platform {

struct EntryStatus {
  FileType type = FileType::other;
  std::uint64_t device = 0;
  std::uint32_t flags = 0;  // BSD file flags; always 0 where the file system has none
};

// fstatat(dirFd, name, AT_SYMLINK_NOFOLLOW).
int entryStatusAt(int dirFd, const std::string& name, EntryStatus& out);
// fstat of an open descriptor.
int descriptorStatus(int fd, EntryStatus& out);
// unlinkat(dirFd, name), with AT_REMOVEDIR for an empty folder.
int unlinkAt(int dirFd, const std::string& name, bool folder);
// The names in the open folder `dirFd` ("." and ".." left out), read through a directory stream on a
// duplicate of the descriptor; `dirFd` stays open and usable.
int listNamesAt(int dirFd, std::vector<std::string>& names);
// Sets the BSD file flags of `name` in `dirFd` to `flags` through the folder, without opening the item (a
// locked named pipe, socket or unreadable file is changed like any other, and the call never blocks); a
// link is changed itself, not its target. Where the system keeps no flags nothing is done.
int setFlagsAt(int dirFd, const std::string& name, bool isLink, std::uint32_t flags);

}  // namespace corvane::platform
