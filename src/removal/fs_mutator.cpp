#include "corvane/removal/fs_mutator.h"

#include <algorithm>
#include <cerrno>

#include "corvane/removal/trash_locator.h"
#include "corvane/removal/trash_safety.h"
#include "platform/descriptor_ops.h"
#include "platform/file_status.h"
#include "platform/folder_chain.h"
#include "platform/fs_ops.h"

namespace corvane {

ItemOutcome ItemOutcome::deleted(std::string path, std::int64_t bytes) {
  ItemOutcome o;
  o.kind = Kind::deleted;
  o.path = std::move(path);
  o.bytes = bytes;
  return o;
}

ItemOutcome ItemOutcome::wouldDelete(std::string path, std::int64_t bytes) {
  ItemOutcome o;
  o.kind = Kind::wouldDelete;
  o.path = std::move(path);
  o.bytes = bytes;
  return o;
}

ItemOutcome ItemOutcome::alreadyGone(std::string path) {
  ItemOutcome o;
  o.kind = Kind::alreadyGone;
  o.path = std::move(path);
  return o;
}

ItemOutcome ItemOutcome::blocked(std::string path, BlockerKind blocker) {
  ItemOutcome o;
  o.kind = Kind::blocked;
  o.path = std::move(path);
  o.blocker = std::move(blocker);
  return o;
}

ItemOutcome ItemOutcome::skippedUnsafe(std::string path, SkipReason reason) {
  ItemOutcome o;
  o.kind = Kind::skippedUnsafe;
  o.path = std::move(path);
  o.skip = reason;
  return o;
}

ItemOutcome ItemOutcome::failed(std::string path, std::int32_t error, std::string note) {
  ItemOutcome o;
  o.kind = Kind::failed;
  o.path = std::move(path);
  o.error = error;
  o.note = std::move(note);
  return o;
}

namespace {

constexpr std::uint32_t kAllLocks = FSMutator::kUserLockFlags | FSMutator::kSystemLockFlags;

// The outcome of a removal call that failed with `code`: locks, busy files and permissions block the
// item, anything else is a failure of the named step.
ItemOutcome removalFailure(const std::string& itemPath, int code, const char* note) {
  if (code == EPERM || code == EACCES) return ItemOutcome::blocked(itemPath, BlockerKind::permission());
  if (code == EBUSY) return ItemOutcome::blocked(itemPath, BlockerKind::busy());
  return ItemOutcome::failed(itemPath, code, note);
}

// The root (normalised) that is `folder` itself or contains it.
std::optional<std::string> enclosingRoot(const std::string& folder, const std::vector<std::string>& roots) {
  for (const std::string& root : roots) {
    if (TrashSafety::hasDotDotComponent(root)) continue;
    const auto normalized = TrashSafety::lexicalNormalize(root);
    if (!normalized || *normalized == "/") continue;
    if (folder == *normalized || TrashSafety::isInsideAnyTrash(folder, {*normalized})) return normalized;
  }
  return std::nullopt;
}

// Opens `folder` by descending from `root` one component at a time, never following a link, so that the
// folder opened is the one inside the Trash even if a component was swapped for a link meanwhile.
Result<platform::UniqueFd> openBelowRoot(const std::string& root, const std::string& folder) {
  auto fd = platform::openDirectoryNoFollow(root);
  std::size_t at = root.size();
  while (fd.has_value() && at < folder.size()) {
    const std::size_t start = at + 1;
    at = std::min(folder.find('/', start), folder.size());
    fd = platform::openDirectoryNoFollow(fd->get(), folder.substr(start, at - start));
  }
  return fd;
}

}  // namespace

ItemOutcome FSMutator::deleteItem(const std::string& itemPath, std::optional<std::int64_t> sizeBytes,
                                  const std::vector<std::string>& roots, const DeleteOptions& options) {
  return FSMutator().remove(itemPath, sizeBytes, roots, options);
}

std::uint32_t FSMutator::flagsOf(int dirFd, const std::string& name, std::uint32_t fromStatus) const {
  return flags_.read ? flags_.read(dirFd, name) : fromStatus;
}

void FSMutator::clearLocks(int dirFd, const std::string& name, bool isLink, std::uint32_t flags) const {
  if (flags_.set)
    flags_.set(dirFd, name, isLink, flags & ~kAllLocks);
  else
    platform::setFlagsAt(dirFd, name, isLink, flags & ~kAllLocks);
}

ItemOutcome FSMutator::remove(const std::string& itemPath, std::optional<std::int64_t> sizeBytes,
                              const std::vector<std::string>& roots, const DeleteOptions& options) const {
  const auto split = platform::splitPath(itemPath);
  if (!split || split->name.empty() || split->name == "/")
    return ItemOutcome::skippedUnsafe(itemPath, SkipReason::outsideTrash);
  const std::string& name = split->name;

  const auto parentReal = TrashLocator::resolvedRealPath(split->parent);
  if (!parentReal) {
    int code = 0;
    if (!platform::linkStatus(itemPath, &code) && code == ENOENT) return ItemOutcome::alreadyGone(itemPath);
    return ItemOutcome::skippedUnsafe(itemPath, SkipReason::notInTrashAfterRealpath);
  }
  const auto root = enclosingRoot(*parentReal, roots);
  if (!root) return ItemOutcome::skippedUnsafe(itemPath, SkipReason::notInTrashAfterRealpath);

  auto parent = openBelowRoot(*root, *parentReal);
  if (!parent.has_value()) return ItemOutcome::failed(itemPath, parent.error().code, "open parent");
  return removeFrom(parent->get(), name, itemPath, sizeBytes, options);
}

ItemOutcome FSMutator::removeFrom(int parentFd, const std::string& name, const std::string& itemPath,
                                  std::optional<std::int64_t> sizeBytes, const DeleteOptions& options) const {
  const std::int64_t bytes = sizeBytes && *sizeBytes > 0 ? *sizeBytes : 0;
  platform::EntryStatus item;
  if (const int code = platform::entryStatusAt(parentFd, name, item)) {
    if (code == ENOENT) return ItemOutcome::alreadyGone(itemPath);
    return ItemOutcome::failed(itemPath, code, "fstatat");
  }
  platform::EntryStatus parentStatus;
  if (platform::descriptorStatus(parentFd, parentStatus) == 0 && parentStatus.device != item.device)
    return ItemOutcome::skippedUnsafe(itemPath, SkipReason::notInTrashAfterRealpath);

  const std::uint32_t flags = flagsOf(parentFd, name, item.flags);
  if (flags & kSystemLockFlags) return ItemOutcome::blocked(itemPath, BlockerKind::systemImmutable());
  if ((flags & kUserLockFlags) && !options.force) return ItemOutcome::blocked(itemPath, BlockerKind::userLocked());
  if (options.dryRun) return ItemOutcome::wouldDelete(itemPath, bytes);
  if (flags & kUserLockFlags) clearLocks(parentFd, name, item.type == platform::FileType::symlink, flags);

  if (item.type == platform::FileType::directory) {
    if (auto stopped = removeTree(parentFd, name, options.force, itemPath, item.device)) return *stopped;
  } else if (const int code = platform::unlinkAt(parentFd, name, false)) {
    if (code == ENOENT) return ItemOutcome::alreadyGone(itemPath);
    return removalFailure(itemPath, code, "unlink");
  }
  platform::EntryStatus after;
  if (platform::entryStatusAt(parentFd, name, after) == 0)
    return ItemOutcome::failed(itemPath, 0, "still present after delete");
  return ItemOutcome::deleted(itemPath, bytes);
}

std::optional<ItemOutcome> FSMutator::removeTree(int parentFd, const std::string& name, bool force,
                                                 const std::string& itemPath, std::uint64_t device) const {
  // Depth first with an explicit stack: each level keeps the names it still has to remove, and the
  // chain keeps the folders' descriptors within its budget however deep the tree is.
  struct Level {
    std::vector<std::string> names;
    std::size_t next = 0;
  };
  platform::FolderChain chain(parentFd);
  std::vector<Level> levels;
  // Enters the folder `child` of the current one and reads its names; an outcome when that fails.
  auto enter = [&](const std::string& child) -> std::optional<ItemOutcome> {
    if (auto entered = chain.enter(child); !entered.has_value()) {
      const int code = entered.error().code;
      if (code == ENOENT) return std::nullopt;
      return removalFailure(itemPath, code, "openat dir");
    }
    Level level;
    if (const int code = platform::listNamesAt(chain.current().value(), level.names))
      return ItemOutcome::failed(itemPath, code, "fdopendir");
    levels.push_back(std::move(level));
    return std::nullopt;
  };
  if (auto stopped = enter(name)) return stopped;

  while (!levels.empty()) {
    auto folderFd = chain.current();
    if (!folderFd.has_value()) return ItemOutcome::failed(itemPath, folderFd.error().code, "reopen dir");
    const int folder = folderFd.value();
    Level& level = levels.back();
    if (level.next == level.names.size()) {
      // Everything inside is gone: the folder itself goes from its parent.
      const std::string done = chain.name();
      levels.pop_back();
      chain.leave();
      auto parent = chain.current();
      if (!parent.has_value()) return ItemOutcome::failed(itemPath, parent.error().code, "reopen dir");
      if (const int code = platform::unlinkAt(parent.value(), done, true); code != 0 && code != ENOENT)
        return removalFailure(itemPath, code, "rmdir");
      continue;
    }
    const std::string child = level.names[level.next++];
    platform::EntryStatus entry;
    if (const int code = platform::entryStatusAt(folder, child, entry)) {
      if (code == ENOENT) continue;
      return ItemOutcome::failed(itemPath, code, "fstatat child");
    }
    const std::uint32_t flags = flagsOf(folder, child, entry.flags);
    if (flags & kSystemLockFlags) return ItemOutcome::blocked(itemPath, BlockerKind::systemImmutable());
    if (flags & kUserLockFlags) {
      if (!force) return ItemOutcome::blocked(itemPath, BlockerKind::userLocked());
      clearLocks(folder, child, entry.type == platform::FileType::symlink, flags);
    }
    if (entry.type == platform::FileType::directory) {
      // Another volume mounted inside the tree is not part of it: nothing of it is removed.
      if (entry.device != device) return ItemOutcome::skippedUnsafe(itemPath, SkipReason::notInTrashAfterRealpath);
      // The item itself is level 0; a folder below the limit is not entered.
      if (levels.size() > static_cast<std::size_t>(kMaxDepth))
        return ItemOutcome::failed(itemPath, 0, "directory nested too deep (" + std::to_string(kMaxDepth) + ")");
      if (auto stopped = enter(child)) return stopped;
    } else if (const int code = platform::unlinkAt(folder, child, false); code != 0 && code != ENOENT) {
      return removalFailure(itemPath, code, "unlink child");
    }
  }
  return std::nullopt;
}

}  // namespace corvane
