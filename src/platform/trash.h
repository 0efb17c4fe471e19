#pragma once
// The system's "move to Trash".

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "corvane/result.h"

namespace corvane::platform {

// Moves the item at `path` (a final symbolic link is moved itself) to the Trash and returns where it
// landed, when known.
//
// On macOS the file manager picks the Trash folder and the name; `trashFolder` and `nameFor` are unused
// and the error carries the file manager's own description.
//
// Elsewhere the item is renamed into `trashFolder` (created with mode 0700 when missing) under the first
// of nameFor(1), nameFor(2), ... that is free, with exclusive renames that never replace an item. A Trash
// folder that is a symbolic link is refused (ELOOP) rather than followed, and an item on another volume
// than the Trash folder fails with EXDEV; nothing is ever copied.
// True where the system picks the Trash folder itself (macOS), so that `trashFolder` is not used.
bool systemChoosesTrashFolder();

Result<std::optional<std::string>> moveItemToTrash(const std::string& path, const std::string& trashFolder,
                                                   const std::function<std::string(std::uint64_t)>& nameFor);

}  // namespace corvane::platform
