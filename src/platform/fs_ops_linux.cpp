#include <fcntl.h>
#include <stdio.h>  // renameat2 and RENAME_NOREPLACE (glibc 2.28+, _GNU_SOURCE)

#include "platform/fs_ops.h"

namespace corvane::platform {

// A path-only descriptor: enough to open and examine what is inside, never to read the folder.
int searchOnlyOpenFlags() { return O_PATH; }

Status renameExclusive(int fromDirFd, const std::string& fromName, int toDirFd, const std::string& toName) {
  if (retryAfterSignal(::renameat2, fromDirFd, fromName.c_str(), toDirFd, toName.c_str(), RENAME_NOREPLACE) != 0)
    return exclusiveRenameError(errno, fromName);
  return Ok{};
}

}  // namespace corvane::platform
