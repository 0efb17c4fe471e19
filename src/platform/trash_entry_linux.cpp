#include "platform/file_status.h"
#include "platform/trash_entry.h"

namespace corvane::platform {

// Linux keeps no added-to-folder date; a rename into the folder updates the status-change time.
Result<std::int64_t> addedToFolderSeconds(const std::string& path) {
  const auto status = linkStatus(path);
  if (!status) return status.error();
  return status->changedSeconds;
}

bool isDatalessItem(const std::string&) { return false; }

}  // namespace corvane::platform
