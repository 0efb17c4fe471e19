#include <cerrno>

#include "platform/trash.h"

namespace corvane::platform {

// Linux has no system Trash to hand items to: the renaming move is the only one.
bool systemChoosesTrashFolder() { return false; }

Result<std::optional<std::string>> moveItemToSystemTrash(const std::string& path) {
  return Error::fromErrno(ENOTSUP, "move to Trash", path);
}

}  // namespace corvane::platform
