#pragma once
// The one tree engine: every walk, size, removal and copy of a folder tree goes through walkTree. It
// works relative to open folders, depth first with an explicit stack (never recursion), never follows a
// link (each folder is opened from its parent with O_NOFOLLOW | O_DIRECTORY), holds at most a fixed
// number of descriptors at any depth (FolderChain), reads at most one status record per entry, and goes
// on after a failure, telling the visitor, which keeps the first.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "corvane/base/result.h"
#include "platform/file_status.h"
#include "platform/folder_chain.h"

namespace corvane::platform {

// One entry as the walk meets it.
struct TreeItem {
  int folderFd = -1;  // the open folder holding the entry
  std::string name;
  std::string path;   // the start's path, "/", then the names down to the entry
  std::size_t depth = 0;  // the start item itself is 0, the entries of the start folder 1
  FileType type = FileType::other;
  std::optional<FileStatus> status;  // read when the options ask, or when the folder did not tell the kind
  int statusError = 0;               // errno when the status was wanted but could not be read
};

enum class TreeStep { descend, skip, stop };

class TreeVisitor {
 public:
  virtual ~TreeVisitor() = default;
  // Each entry, a folder before what it holds. `descend` enters a folder; for anything else it is `skip`.
  virtual TreeStep visit(const TreeItem& item) = 0;
  // The folder `folder` was opened as `folderFd` and listed, before its entries: `skip` leaves them (and
  // `left` is not called for it), `stop` ends the walk.
  virtual TreeStep entered(const TreeItem&, int) { return TreeStep::descend; }
  // Every entry of `folder` was visited; `folder.folderFd` is its parent, open again.
  virtual TreeStep left(const TreeItem&) { return TreeStep::descend; }
  // The folder `folder` could not be opened, listed, or opened again as the very folder it was (ESTALE),
  // or its parent could not be opened again to finish it; the walk goes on without it.
  virtual TreeStep failed(const TreeItem&, const Error&) { return TreeStep::descend; }
};

struct TreeOptions {
  bool withStatus = true;  // every entry's status; otherwise only the kind the folder tells
  bool sorted = false;     // entries by name (bytewise); otherwise in the order the system gives
  std::size_t descriptorBudget = kTreeDescriptorBudget;
  // A pause point for tests: called with the folder's path just before a folder the visitor chose to
  // enter is opened (the moment a folder swapped for a link would be followed).
  std::function<void(const std::string& path)> beforeOpening;
};

// Walks the entries of the open folder `folderFd`, found at `path`, and everything below them.
void walkEntries(int folderFd, const std::string& path, TreeVisitor& visitor, const TreeOptions& options = {});
// Walks the entry `name` of the open folder `parentFd` itself (at `path`, depth 0), then, when it is a
// folder the visitor enters, everything below it.
void walkItem(int parentFd, const std::string& name, const std::string& path, TreeVisitor& visitor,
              const TreeOptions& options = {});

// How removeTree goes about it.
struct RemoveTreeOptions {
  // Folders more than this many levels below the item are not entered (kRemoveTooDeep).
  std::size_t maxDepth = 512;
  // Asked of every entry below the item before it is removed; an error leaves the entry (and so the
  // folders holding it) where it is, and counts as a failure.
  std::function<std::optional<Error>(const TreeItem&)> check;
  std::function<void(const std::string& path)> beforeOpening;  // as in TreeOptions
};

// The operations a removal's failure names, beside "open", "readdir", "fstatat", "unlink" and "rmdir".
inline constexpr const char* kRemoveOtherVolume = "other volume";  // EXDEV: a volume mounted inside
inline constexpr const char* kRemoveTooDeep = "too deep";          // ELOOP: below maxDepth

// Removes the entry `name` of the open folder `parentFd` (named `path` in errors) and everything below it,
// as a careful rm -rf: a link is removed itself, never followed; nothing on another device than
// `parentFd` is touched; an item that vanished meanwhile is no failure; after a failure it goes on with
// the rest and returns the first. A missing item is success.
Status removeTree(int parentFd, const std::string& name, const std::string& path, const RemoveTreeOptions& options = {});

// The first failure of an operation that goes on after failures.
struct FirstError {
  std::optional<Error> error;
  void keep(Error e) {
    if (!error) error = std::move(e);
  }
  Status status() const { return error ? Status(*error) : Status(Ok{}); }
};

}  // namespace corvane::platform
