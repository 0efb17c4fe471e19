#pragma once
// Whether moving an item to the Trash will need an administrator.

#include "corvane/analysis/file_access_checks.h"
#include "corvane/base/url.h"

namespace corvane::RemovalPermission {

// False for a missing item; true when its parent folder is not writable; for a folder, true when the
// folder itself is not writable; false otherwise.
bool requiresAdministrator(const Url& url, const FileAccessChecks& fileManager);

}  // namespace corvane::RemovalPermission
