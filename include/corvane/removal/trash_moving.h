#pragma once
// The one operation behind which the system's "move to Trash" sits, and its standard implementation.

#include <optional>
#include <string>
#include <vector>

#include "corvane/model/layout.h"
#include "corvane/base/result.h"
#include "corvane/base/url.h"

namespace corvane {

class TrashMoving {
 public:
  virtual ~TrashMoving() = default;
  // Moves the item to the Trash and returns where it landed (none when the system does not say). A
  // failure carries the system's own description (Error::describe) for the user.
  virtual Result<std::optional<Url>> moveToTrash(const Url& url) = 0;
};

// The move to Trash for a layout. On the live system (root "/" and the real home) on macOS the file
// manager does it and its error text is passed through unchanged. For a sample tree, and on systems
// without a file manager Trash, the item is renamed into the layout's user Trash folder (created when
// missing) under the Trash's unique-name rule, never replacing an item and never following a Trash
// folder that is a symbolic link; an item on another volume fails with EXDEV and is never copied. Below
// the layout's root or home no link on the item's path is followed: such an item is left where it is.
class FileManagerTrashMover final : public TrashMoving {
 public:
  // The current user's Trash.
  FileManagerTrashMover();
  explicit FileManagerTrashMover(const Layout& layout);

  Result<std::optional<Url>> moveToTrash(const Url& url) override;

  // Whether the system's own move to Trash serves `layout`: only for the machine itself, so that moves
  // in a sample tree never reach the real Trash.
  static bool usesSystemTrash(const Layout& layout);

 private:
  std::string trashFolder_;
  std::vector<std::string> anchors_;
  bool systemTrash_ = false;
};

}  // namespace corvane
