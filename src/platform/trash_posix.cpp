#include <cerrno>

#include "platform/fs_ops.h"
#include "platform/trash.h"

namespace corvane::platform {

namespace {

constexpr unsigned kTrashFolderMode = 0700;
constexpr const char* kOperation = "move to Trash";
constexpr const char* kTrashIsLink = "The Trash folder is a symbolic link, so nothing is moved into it.";

// Opens the Trash folder, creating it when missing; a link in its place is refused.
Result<UniqueFd> openTrashFolder(const std::string& trashFolder) {
  auto split = splitPath(trashFolder);
  if (!split) return Error::fromErrno(EINVAL, kOperation, trashFolder);
  auto parent = openDirectory(split->parent);
  if (!parent.has_value()) return Error::fromErrno(parent.error().code, kOperation, trashFolder);
  auto made = makeDirectoryAt(parent->get(), split->name, kTrashFolderMode);
  if (!made.has_value() && made.error().code != EEXIST)
    return Error::fromErrno(made.error().code, kOperation, trashFolder);
  auto folder = openDirectoryNoFollow(parent->get(), split->name);
  if (!folder.has_value()) {
    int code = folder.error().code;
    if (code == ELOOP)
      return Error{ELOOP, kOperation, trashFolder, kTrashIsLink};
    return Error::fromErrno(code, kOperation, trashFolder);
  }
  return folder;
}

// The longest anchor that is `folder` or one of its ancestors; "/" when none is.
std::string deepestAnchor(const std::string& folder, const std::vector<std::string>& anchors) {
  std::string best = "/";
  for (std::string anchor : anchors) {
    while (anchor.size() > 1 && anchor.back() == '/') anchor.pop_back();
    if (anchor.empty() || anchor.front() != '/' || anchor.size() <= best.size()) continue;
    if (folder.compare(0, anchor.size(), anchor) == 0 && (folder.size() == anchor.size() || folder[anchor.size()] == '/'))
      best = anchor;
  }
  return best;
}

}  // namespace

Result<std::optional<std::string>> moveItemIntoTrashFolder(const std::string& path, const std::string& trashFolder,
                                                           const std::vector<std::string>& anchors,
                                                           const std::function<std::string(std::uint64_t)>& nameFor) {
  auto item = splitPath(path);
  if (!item) return Error::fromErrno(EINVAL, kOperation, path);
  auto trash = openTrashFolder(trashFolder);
  if (!trash.has_value()) return trash.error();
  auto parent = openDirectoryBeneath(deepestAnchor(item->parent, anchors), item->parent, true);
  if (!parent.has_value()) {
    const int code = parent.error().code;
    if (code == ELOOP) return Error{ELOOP, kOperation, path, kLinkOnItemPath};
    return Error::fromErrno(code, kOperation, path);
  }

  for (std::uint64_t attempt = 1; attempt != 0; ++attempt) {
    std::string name = nameFor(attempt);
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
      return Error::fromErrno(EINVAL, kOperation, path);
    auto renamed = renameExclusive(parent->get(), item->name, trash->get(), name);
    if (renamed.has_value()) {
      std::string landed = trashFolder;
      while (landed.size() > 1 && landed.back() == '/') landed.pop_back();
      return std::optional<std::string>(landed + "/" + name);
    }
    if (renamed.error().code != EEXIST) return Error{renamed.error().code, kOperation, path, renamed.error().message};
  }
  return Error::fromErrno(EEXIST, kOperation, path);
}

}  // namespace corvane::platform
