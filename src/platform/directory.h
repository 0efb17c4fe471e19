#pragma once
// Listing one folder, resolving a path's symbolic links, and the process's working folder.

#include <optional>
#include <string>
#include <vector>

namespace corvane::platform {

struct DirectoryEntry {
  std::string name;
  bool isDirectory = false;  // a real folder; a link to a folder is not one
  bool isSymbolicLink = false;
  bool operator==(const DirectoryEntry&) const = default;
};

// The entries of a folder in the order the system gives them, without "." and "..", and without hidden
// items (isHiddenItem: a leading dot, and on macOS the hidden flag) when `skipHidden`.
// None when the folder cannot be opened.
std::optional<std::vector<DirectoryEntry>> listDirectory(const std::string& path, bool skipHidden = true);

// The absolute path with every symbolic link resolved; none when some component does not exist.
std::optional<std::string> realPath(const std::string& path);

// The target text of a symbolic link as stored (not resolved); none when the path is not a link.
std::optional<std::string> readLink(const std::string& path);

// The process's working folder; none when the system cannot tell (the folder was removed).
std::optional<std::string> currentDirectory();

// Whether anything (file, folder, link, even a dangling one) exists at the path.
bool itemExists(const std::string& path);

}  // namespace corvane::platform
