#pragma once
// Resolving a path's symbolic links, and the process's working folder. Folders are listed through
// FileSystem (file_system.h).

#include <string>

#include "corvane/base/result.h"

namespace corvane::platform {

// The absolute path with every symbolic link resolved; fails with realpath's errno (ENOENT when some
// component does not exist).
Result<std::string> realPath(const std::string& path);

// The target text of a symbolic link as stored (not resolved); EINVAL when the path is not a link.
Result<std::string> readLink(const std::string& path);

// The process's working folder; fails when the system cannot tell (ENOENT: the folder was removed).
Result<std::string> currentDirectory();

// Whether anything (file, folder, link, even a dangling one) exists at the path.
bool itemExists(const std::string& path);

// Succeeds when the path (links followed) is a folder this process may list and enter; otherwise the errno
// says why not: ENOENT, ENOTDIR, EACCES, ELOOP...
Status checkFolderAccess(const std::string& path);

}  // namespace corvane::platform
