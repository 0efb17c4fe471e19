#include <fcntl.h>  // O_SEARCH
#include <stdio.h>  // renameatx_np, RENAME_EXCL

#include "platform/fs_ops.h"

namespace corvane::platform {

// A descriptor for searching the folder only, never for reading it.
int searchOnlyOpenFlags() { return O_SEARCH; }

Status renameExclusive(int fromDirFd, const std::string& fromName, int toDirFd, const std::string& toName) {
  if (retryAfterSignal(::renameatx_np, fromDirFd, fromName.c_str(), toDirFd, toName.c_str(),
                       static_cast<unsigned>(RENAME_EXCL)) != 0)
    return exclusiveRenameError(errno, fromName);
  return Ok{};
}

}  // namespace corvane::platform
