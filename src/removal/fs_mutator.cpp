#include "corvane/removal/fs_mutator.h"

#include <algorithm>
#include <cerrno>

#include "corvane/removal/trash_locator.h"
#include "corvane/removal/trash_safety.h"
#include "platform/descriptor_ops.h"
#include "platform/file_status.h"
#include "platform/fs_ops.h"
#include "platform/tree_walk.h"

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
    (void)platform::setFlagsAt(dirFd, name, isLink, flags & ~kAllLocks);
}

ItemOutcome FSMutator::remove(const std::string& itemPath, std::optional<std::int64_t> sizeBytes,
                              const std::vector<std::string>& roots, const DeleteOptions& options) const {
  const auto split = platform::splitPath(itemPath);
  if (!split || split->name.empty() || split->name == "/")
    return ItemOutcome::skippedUnsafe(itemPath, SkipReason::outsideTrash);
  const std::string& name = split->name;

  const auto parentReal = TrashLocator::resolvedRealPath(split->parent);
  if (!parentReal) {
    const auto item = platform::linkStatus(itemPath);
    if (!item && item.error().code == ENOENT) return ItemOutcome::alreadyGone(itemPath);
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
  auto status = platform::statusAt(parentFd, name);
  if (!status.has_value()) {
    if (status.error().code == ENOENT) return ItemOutcome::alreadyGone(itemPath);
    return ItemOutcome::failed(itemPath, status.error().code, "fstatat");
  }
  const platform::FileStatus& item = status.value();
  if (auto parent = platform::statusOf(parentFd); parent.has_value() && parent->device != item.device)
    return ItemOutcome::skippedUnsafe(itemPath, SkipReason::notInTrashAfterRealpath);

  const std::uint32_t flags = flagsOf(parentFd, name, item.flags);
  if (flags & kSystemLockFlags) return ItemOutcome::blocked(itemPath, BlockerKind::systemImmutable());
  if ((flags & kUserLockFlags) && !options.force) return ItemOutcome::blocked(itemPath, BlockerKind::userLocked());
  if (options.dryRun) return ItemOutcome::wouldDelete(itemPath, bytes);
  if (flags & kUserLockFlags) clearLocks(parentFd, name, item.type() == platform::FileType::symlink, flags);

  if (item.type() == platform::FileType::directory) {
    if (auto stopped = removeTree(parentFd, name, options.force, itemPath)) return *stopped;
  } else if (auto unlinked = platform::unlinkAt(parentFd, name, false); !unlinked.has_value()) {
    const int code = unlinked.error().code;
    if (code == ENOENT) return ItemOutcome::alreadyGone(itemPath);
    return removalFailure(itemPath, code, "unlink");
  }
  if (platform::statusAt(parentFd, name).has_value())
    return ItemOutcome::failed(itemPath, 0, "still present after delete");
  return ItemOutcome::deleted(itemPath, bytes);
}

std::optional<ItemOutcome> FSMutator::removeTree(int parentFd, const std::string& name, bool force,
                                                 const std::string& itemPath) const {
  // The first thing refused inside, as this remover tells it; the tree engine goes on with the rest.
  std::optional<ItemOutcome> refused;
  platform::RemoveTreeOptions options;
  options.maxDepth = static_cast<std::size_t>(kMaxDepth);
  options.beforeOpening = beforeOpening_;
  options.check = [&](const platform::TreeItem& entry) -> std::optional<Error> {
    const std::uint32_t flags = flagsOf(entry.folderFd, entry.name, entry.status->flags);
    std::optional<ItemOutcome> blocked;
    if (flags & kSystemLockFlags)
      blocked = ItemOutcome::blocked(itemPath, BlockerKind::systemImmutable());
    else if ((flags & kUserLockFlags) && !force)
      blocked = ItemOutcome::blocked(itemPath, BlockerKind::userLocked());
    else if (flags & kUserLockFlags)
      clearLocks(entry.folderFd, entry.name, entry.type == platform::FileType::symlink, flags);
    if (!blocked) return std::nullopt;
    if (!refused) refused = std::move(blocked);
    return Error::fromErrno(EPERM, "locked", entry.path);
  };
  const Status removed = platform::removeTree(parentFd, name, itemPath, options);
  if (removed.has_value()) return std::nullopt;
  const Error& error = removed.error();
  if (error.operation == "locked") return refused;
  if (error.operation == platform::kRemoveOtherVolume)
    return ItemOutcome::skippedUnsafe(itemPath, SkipReason::notInTrashAfterRealpath);
  if (error.operation == platform::kRemoveTooDeep)
    return ItemOutcome::failed(itemPath, 0, "directory nested too deep (" + std::to_string(kMaxDepth) + ")");
  if (error.operation == "open") return removalFailure(itemPath, error.code, "openat dir");
  if (error.operation == "readdir") return ItemOutcome::failed(itemPath, error.code, "fdopendir");
  if (error.operation == "fstatat") return ItemOutcome::failed(itemPath, error.code, "fstatat child");
  if (error.operation == "unlink") return removalFailure(itemPath, error.code, "unlink child");
  return removalFailure(itemPath, error.code, error.operation.c_str());
}

}  // namespace corvane
