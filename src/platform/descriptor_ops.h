#pragma once
// Calls relative to an open folder that the tree operations make, never following a final symbolic
// link. Every call retries after EINTR; a failure carries the errno and the entry's name.

#include <cstdint>
#include <string>
#include <vector>

#include "corvane/base/result.h"
#include "platform/file_status.h"

namespace corvane::platform {

// One name of a folder and its kind as the folder tells it; `known` is false where the file system does
// not say, and the item itself must then be asked.
struct NamedEntry {
  std::string name;
  FileType type = FileType::other;
  bool known = false;
};

// unlinkat(dirFd, name), with AT_REMOVEDIR for an empty folder.
Status unlinkAt(int dirFd, const std::string& name, bool folder);
// The entries of the open folder `dirFd` ("." and ".." left out), read through a directory stream on a
// duplicate of the descriptor; `dirFd` stays open and usable.
Result<std::vector<NamedEntry>> listEntriesAt(int dirFd);
// Sets the BSD file flags of `name` in `dirFd` to `flags` through the folder, without opening the item (a
// locked named pipe, socket or unreadable file is changed like any other, and the call never blocks); a
// link is changed itself, not its target. Where the system keeps no flags nothing is done.
Status setFlagsAt(int dirFd, const std::string& name, bool isLink, std::uint32_t flags);

}  // namespace corvane::platform
