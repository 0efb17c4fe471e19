#pragma once
// The one operation behind which the system's "move to Trash" sits, and its standard implementation.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "corvane/model/layout.h"
#include "corvane/base/result.h"
#include "corvane/base/url.h"

namespace corvane {

// Moves one item to the Trash: a plain struct holding the callback, so that a test or an app supplies its
// own without subclassing. The callback returns where the item landed (none when the system does not say);
// a failure carries the system's own description (Error::describe) for the user. A mover without a
// callback refuses every item.
struct TrashMoving {
  std::function<Result<std::optional<Url>>(const Url& url)> move;

  Result<std::optional<Url>> moveToTrash(const Url& url) const {
    if (!move) return Error::invalid("no way to move items to the Trash", url.path());
    return move(url);
  }
};

// The move to Trash for a layout. On the live system (root "/" and the real home) on macOS the file
// manager does it and its error text is passed through unchanged. For a sample tree, and on systems
// without a file manager Trash, the item is renamed into the layout's user Trash folder (created when
// missing) under the Trash's unique-name rule, never replacing an item and never following a Trash
// folder that is a symbolic link; an item on another volume fails with EXDEV and is never copied. Below
// the layout's root or home no link on the item's path is followed: such an item is left where it is.
struct FileManagerTrashMover : TrashMoving {
  // The current user's Trash.
  FileManagerTrashMover();
  explicit FileManagerTrashMover(const Layout& layout);

  // Whether the system's own move to Trash serves `layout`: only for the machine itself, so that moves
  // in a sample tree never reach the real Trash.
  static bool usesSystemTrash(const Layout& layout);
};

}  // namespace corvane
