#pragma once
// Moving an item to a Trash folder: the system's own "move to Trash", and the plain renaming move into a
// given Trash folder that stands in for it where the system has none or a sample tree is in use.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "corvane/base/result.h"

namespace corvane::platform {

// True where the system has its own "move to Trash" that picks the folder and the name (macOS).
bool systemChoosesTrashFolder();

// The system's move to Trash for the item at the absolute `path` (a final symbolic link is moved itself),
// returning where it landed when the system says. On macOS the file manager does it and the error
// carries its own description; a relative or empty path is refused (EINVAL) before it is asked.
// Elsewhere it fails with ENOTSUP.
Result<std::optional<std::string>> moveItemToSystemTrash(const std::string& path);

// Renames the item at `path` (a final symbolic link is moved itself) into `trashFolder` (created with
// mode 0700 when missing) under the first of nameFor(1), nameFor(2), ... that is free, with exclusive
// renames that never replace an item, and returns where it landed. A Trash folder that is a symbolic
// link is refused (ELOOP) rather than followed, and an item on another volume than the Trash folder
// fails with EXDEV; nothing is ever copied. The item's folder is opened from the deepest of `anchors`
// that holds it ("/" when none does) without following any link below that anchor: a folder on the way
// that is a link (or was swapped for one while the move ran) leaves the item where it is (ELOOP), so the
// move never reaches through a link into another tree. The same on every system.
inline constexpr const char* kLinkOnItemPath =
    "A folder on the item's path is a symbolic link, so the item was left where it is.";
Result<std::optional<std::string>> moveItemIntoTrashFolder(const std::string& path, const std::string& trashFolder,
                                                           const std::vector<std::string>& anchors,
                                                           const std::function<std::string(std::uint64_t)>& nameFor);

}  // namespace corvane::platform
