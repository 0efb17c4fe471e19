#pragma once
// Walking a folder tree the way an application browser does: hidden items left out, unreadable
// folders passed over, and the caller deciding for each entry whether to go below it.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvane::platform {

// Folders below the walk's root deeper than this are never entered, whatever the caller answers.
inline constexpr std::size_t kMaxWalkDepth = 64;

struct WalkEntry {
  std::string path;  // the root's path, "/", then the names down to the entry
  std::string name;
  // A real folder; a link to a folder is not one. None when the entry's kind cannot be read.
  std::optional<bool> isDirectory;
};

enum class WalkStep { descend, skipDescendants };

// Visits every entry below `root` (a final link at the root is followed), a folder before its children,
// the entries of one folder in name order (bytewise). Folders that cannot be opened are passed over;
// links are never followed below the root. False when the root itself cannot be opened.
bool walkTree(const std::string& root, const std::function<WalkStep(const WalkEntry&)>& visit);

// The names in a folder in name order (bytewise), hidden items left out; none when the folder cannot be
// listed (missing, not a folder, unreadable).
std::optional<std::vector<std::string>> visibleEntryNames(const std::string& folder);

// Whether the item `name` in `folder` is hidden from the user: its name begins with "." (and, where the
// system has one, its hidden flag is set).
bool isHiddenItem(const std::string& folder, const std::string& name);

}  // namespace corvane::platform
