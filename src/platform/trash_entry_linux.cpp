#include "platform/file_status.h"
#include "platform/trash_entry.h"

namespace corvane::platform {

// Linux keeps no added-to-folder date; a rename into the folder updates the status-change time.
Result<std::int64_t> addedToFolderSeconds(const std::string& path) {
  int error = 0;
  const auto status = linkStatus(path, &error);
  if (!status) return Error::fromErrno(error, "lstat", path);
  return status->changedSeconds;
}

bool isDatalessItem(const std::string&) { return false; }

}  // namespace corvane::platform
