#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/base/uuid.h"
#include "corvane/history/restore.h"
#include "corvane/removal/fs_mutator.h"
#include "corvane/removal/trash_locator.h"
#include "corvane/removal/trash_safety.h"
#include "platform/descriptor_ops.h"
#include "platform/fs_ops.h"
#include "platform/processes.h"
#include "platform/tree_copy.h"

namespace corvane {

namespace {

namespace pf = platform;

// Deepest folder nesting a copy follows below the item itself.
constexpr int kMaxCopyDepth = 512;
// The user immutable and user append-only file flags.
constexpr std::uint32_t kUserLockFlags = 0x2 | 0x4;

// Copies the entry `srcName` of `srcParent` to the new entry `dstName` of `dstParent`: links recreated
// with their target, folders with their entries, mode and times, files created exclusively with their
// data, extended attributes, mode and times, everything flushed. Stops at the first failure.
// The temporary name of a copy in progress: prefix, the copying process's id, ".", a random identifier.
constexpr std::string_view kCopyPrefix = ".cvrestore.";

// Removes the copies in progress in `folder` whose process no longer exists.
void removeAbandonedCopies(int folder) {
  std::vector<std::string> names;
  if (pf::listNamesAt(folder, names) != 0) return;
  for (const auto& name : names) {
    if (name.rfind(kCopyPrefix, 0) != 0) continue;
    const std::size_t start = kCopyPrefix.size(), dot = name.find('.', start);
    if (dot == std::string::npos || dot == start || dot - start > 9) continue;
    if (name.find_first_not_of("0123456789", start) != dot) continue;
    if (!pf::processExists(std::stoi(name.substr(start, dot - start)))) (void)pf::removeTreeAt(folder, name);
  }
}

bool copyTree(int srcParent, const std::string& srcName, int dstParent, const std::string& dstName, int depth) {
  if (depth > kMaxCopyDepth) return false;
  auto facts = pf::entryFactsAt(srcParent, srcName);
  if (!facts.has_value()) return false;

  switch (facts->type) {
    case pf::FileType::symlink: {
      auto target = pf::readLinkAt(srcParent, srcName);
      if (!target.has_value() || !pf::makeSymlinkAt(*target, dstParent, dstName).has_value()) return false;
      (void)pf::setLinkTimesAt(dstParent, dstName, *facts);  // a link's times are a courtesy
      return true;
    }
    case pf::FileType::directory: {
      auto made = pf::makeDirectoryAt(dstParent, dstName, 0700);
      if (!made.has_value() && made.error().code != EEXIST) return false;
      auto source = pf::openDirectoryNoFollow(srcParent, srcName);
      auto copy = pf::openDirectoryNoFollow(dstParent, dstName);
      if (!source.has_value() || !copy.has_value()) return false;
      std::vector<std::string> names;
      if (pf::listNamesAt(source->get(), names) != 0) return false;
      for (const auto& name : names)
        if (!copyTree(source->get(), name, copy->get(), name, depth + 1)) return false;
      // The mode last, so that a read-only folder can still be filled; the times after the last entry.
      return pf::setModeAndTimes(copy->get(), *facts).has_value() && pf::syncDescriptor(copy->get()).has_value();
    }
    case pf::FileType::regular: {
      auto source = pf::openFileNoFollow(srcParent, srcName);
      if (!source.has_value()) return false;
      auto copy = pf::createFileExclusive(dstParent, dstName, 0600);
      if (!copy.has_value()) return false;
      return pf::copyFileContents(source->get(), copy->get()).has_value() &&
             pf::setModeAndTimes(copy->get(), *facts).has_value() && pf::syncDescriptor(copy->get()).has_value();
    }
    case pf::FileType::other:
      break;  // pipes, sockets and devices are not carried over (opening a pipe would wait for a writer)
  }
  return false;
}

// Whether the copy `copyName` in `dstDir` matches the item it was made from.
bool verifyCopy(int srcDir, const std::string& name, const pf::EntryFacts& item, int dstDir, const std::string& copyName) {
  auto copy = pf::entryFactsAt(dstDir, copyName);
  if (!copy.has_value() || copy->type != item.type) return false;
  if (item.type == pf::FileType::symlink) {
    auto original = pf::readLinkAt(srcDir, name);
    auto copied = pf::readLinkAt(dstDir, copyName);
    if (original.has_value() != copied.has_value()) return false;
    return !original.has_value() || *original == *copied;
  }
  if (item.type == pf::FileType::directory) return true;
  return copy->size == item.size;
}

struct GatheredSource {
  SourceFacts facts;
  std::string resolvedParent;
  std::string name;
};

// The Trash folder among `roots` that is `folder` or holds it.
std::optional<std::string> enclosingTrash(const std::string& folder, const std::vector<std::string>& roots) {
  for (const std::string& root : roots)
    if (folder == root || TrashSafety::isInsideAnyTrash(folder, {root})) return root;
  return std::nullopt;
}

std::string errnoNote(const char* step, int code) { return std::string(step) + " errno " + std::to_string(code); }

}  // namespace

RestoreExecutor::RestoreExecutor() : RestoreExecutor(Collaborators{}) {}

RestoreExecutor::RestoreExecutor(Collaborators collaborators) : collaborators_(std::move(collaborators)) {
  if (!collaborators_.isWritable) collaborators_.isWritable = [](const std::string& folder) { return pf::isWritable(folder); };
}

RestoreOutcome RestoreExecutor::restore(const std::string& sourcePath, const PutBackInfo& putBack,
                                        const std::vector<std::string>& roots, bool forceCopy) const {
  // Source facts.
  auto split = pf::splitPath(sourcePath);
  if (!split) return RestoreOutcome::rejected(RestoreRejection::sourceNotInTrash);
  auto item = pf::entryFacts(sourcePath);
  if (!item.has_value())
    return item.error().code == ENOENT ? RestoreOutcome::sourceGone() : RestoreOutcome::failed("lstat source");
  auto parentReal = TrashLocator::resolvedRealPath(split->parent);
  if (!parentReal) return RestoreOutcome::failed("resolve source parent");
  SourceFacts source;
  source.path = sourcePath;
  source.resolvedLocation = (*parentReal == "/" ? "" : *parentReal) + "/" + split->name;
  source.isSymlink = item->type == pf::FileType::symlink;
  source.isDirectory = item->type == pf::FileType::directory;
  source.stDev = item->device;
  if (!source.isSymlink && !source.isDirectory) source.sizeBytes = item->allocatedSize;

  // Destination facts.
  const std::string& folder = putBack.originalParent;
  RestorePlanner::DestinationFacts destination;
  if (auto facts = pf::entryFacts(folder); facts.has_value()) {
    destination.exists = true;
    destination.isSymlink = facts->type == pf::FileType::symlink;
    destination.isDirectory = facts->type == pf::FileType::directory;
    destination.isWritable = collaborators_.isWritable(folder);
    destination.stDev = facts->device;
    destination.inode = facts->inode;
  }
  destination.names = pf::listNames(folder);

  auto planned = RestorePlanner::plan(source, destination, putBack, roots);
  if (auto* rejection = std::get_if<RestoreRejection>(&planned)) return RestoreOutcome::rejected(*rejection);
  const RestorePlan plan = std::get<RestorePlan>(planned);
  if (collaborators_.afterPlanning) collaborators_.afterPlanning(plan);

  // Execution, relative to the two opened folders.
  auto destReal = TrashLocator::resolvedRealPath(folder);
  if (!destReal) return RestoreOutcome::failed("resolve dest parent");
  if (!TrashSafety::isInsideAnyTrash(source.resolvedLocation, roots))
    return RestoreOutcome::failed("source no longer inside Trash");
  // The source folder is reached from its Trash folder without following any link, so that a folder in
  // the Trash swapped for a link since it was resolved is refused instead of being restored from.
  const auto root = enclosingTrash(*parentReal, roots);
  if (!root) return RestoreOutcome::failed("source no longer inside Trash");
  auto srcDir = pf::openDirectoryBeneath(*root, *parentReal, false);
  if (!srcDir.has_value()) return RestoreOutcome::failed("open source parent");
  auto dstDir = pf::openDirectoryNoFollow(*destReal);
  if (!dstDir.has_value()) return RestoreOutcome::failed("open dest parent");
  // The folder planned for, not one swapped in since (a link now resolving elsewhere, another folder).
  auto opened = pf::entryFactsOf(dstDir->get());
  if (!opened.has_value() || opened->device != destination.stDev || opened->inode != destination.inode)
    return RestoreOutcome::failed("dest parent changed");

  const std::string& name = split->name;
  const std::string chosen = plan.destPath.substr(plan.destPath.rfind('/') + 1);
  // A user-locked item cannot be renamed or removed: clear exactly those two flags (failures ignored).
  if (pf::EntryStatus status; pf::entryStatusAt(srcDir->get(), name, status) == 0 && (status.flags & kUserLockFlags) != 0)
    (void)pf::setFlagsAt(srcDir->get(), name, status.type == pf::FileType::symlink, status.flags & ~kUserLockFlags);

  if (!forceCopy && plan.strategy == RestoreStrategy::rename) {
    auto renamed = pf::renameExclusive(srcDir->get(), name, dstDir->get(), chosen);
    if (renamed.has_value()) return RestoreOutcome::restored(plan.destPath, RestoreStrategy::rename);
    const int code = renamed.error().code;
    if (code == ENOENT) return RestoreOutcome::sourceGone();
    if (code == EEXIST) return RestoreOutcome::destTaken();
    if (code != EXDEV) return RestoreOutcome::failed(errnoNote("rename", code));
  }

  // Copy, verify, rename into place, remove the original. The copy is made under a temporary name that
  // carries this process's id, so that copies left by a restore that was killed can be told apart from
  // those of a restore still running, and removed.
  removeAbandonedCopies(dstDir->get());
  const std::string temporary = std::string(kCopyPrefix) + std::to_string(pf::currentProcessId()) + "." +
                                Uuid::random().toString();
  auto original = pf::entryFactsAt(srcDir->get(), name);
  if (!original.has_value()) return RestoreOutcome::sourceGone();
  if (!copyTree(srcDir->get(), name, dstDir->get(), temporary, 0)) {
    (void)pf::removeTreeAt(dstDir->get(), temporary);
    return RestoreOutcome::copyFailed("copy");
  }
  if (!verifyCopy(srcDir->get(), name, *original, dstDir->get(), temporary)) {
    (void)pf::removeTreeAt(dstDir->get(), temporary);
    return RestoreOutcome::copyFailed("verify mismatch");
  }
  auto finalized = pf::renameExclusive(dstDir->get(), temporary, dstDir->get(), chosen);
  if (!finalized.has_value()) {
    (void)pf::removeTreeAt(dstDir->get(), temporary);
    const int code = finalized.error().code;
    return code == EEXIST ? RestoreOutcome::destTaken() : RestoreOutcome::failed(errnoNote("finalize rename", code));
  }
  (void)pf::syncDescriptor(dstDir->get());
  FSMutator::DeleteOptions options;
  options.force = true;
  // The original goes from the folder it was copied from, not by its path, which may lead elsewhere now.
  const auto removed = FSMutator().removeFrom(srcDir->get(), name, sourcePath, std::nullopt, options);
  if (removed.kind == ItemOutcome::Kind::deleted || removed.kind == ItemOutcome::Kind::alreadyGone)
    return RestoreOutcome::restored(plan.destPath, RestoreStrategy::copyVerifyRemove);
  return RestoreOutcome::sourceRemoveFailed(plan.destPath);
}

}  // namespace corvane
