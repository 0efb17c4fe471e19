#pragma once
// Resolving a path's symbolic links, and the process's working folder. Folders are listed through
// FileSystem (file_system.h).

#include <optional>
#include <string>

namespace corvane::platform {

// The absolute path with every symbolic link resolved; none when some component does not exist.
std::optional<std::string> realPath(const std::string& path);

// The target text of a symbolic link as stored (not resolved); none when the path is not a link.
std::optional<std::string> readLink(const std::string& path);

// The process's working folder; none when the system cannot tell (the folder was removed).
std::optional<std::string> currentDirectory();

// Whether anything (file, folder, link, even a dangling one) exists at the path.
bool itemExists(const std::string& path);

// 0 when the path (links followed) is a folder this process may list and enter; otherwise the errno that
// says why not: ENOENT, ENOTDIR, EACCES, ELOOP...
int folderAccessProblem(const std::string& path);

}  // namespace corvane::platform
