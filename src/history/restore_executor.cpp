#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/base/uuid.h"
#include "corvane/history/restore.h"
#include "corvane/removal/fs_mutator.h"
#include "corvane/removal/trash_locator.h"
#include "corvane/removal/trash_safety.h"
#include "history/restore_copy.h"
#include "platform/descriptor_ops.h"
#include "platform/directory.h"
#include "platform/fs_ops.h"
#include "platform/processes.h"
#include "platform/tree_copy.h"
#include "platform/tree_walk.h"

namespace corvane {

namespace {

namespace pf = platform;

// Deepest folder nesting a copy follows below the item itself.
constexpr int kMaxCopyDepth = 512;
// The user immutable and user append-only file flags.
constexpr std::uint32_t kUserLockFlags = 0x2 | 0x4;
// The temporary name of a copy in progress: prefix, the copying process's id, ".", a random identifier.
constexpr std::string_view kCopyPrefix = ".cvrestore.";

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
  if (!collaborators_.macPathOf)
    collaborators_.macPathOf = [](const std::string& folder) { return std::optional<std::string>(folder); };
}

RestoreExecutor::Collaborators RestoreExecutor::forLayout(const Layout& layout) {
  Collaborators collaborators;
  collaborators.ownFolder = layout.home.empty() ? std::string() : layout.applicationSupport();
  // The root and the home as given and as resolved, so that a folder reached through their links maps too.
  auto bothForms = [](const std::string& folder) {
    std::vector<std::string> forms;
    if (auto tidy = TrashSafety::lexicalNormalize(folder)) forms.push_back(*tidy);
    if (auto real = pf::realPath(folder); real.has_value()) forms.push_back(*real);
    return forms;
  };
  collaborators.macPathOf = [live = layout.isLiveSystem(), roots = bothForms(layout.root),
                             homes = layout.home.empty() ? std::vector<std::string>{} : bothForms(layout.home)](
                                const std::string& folder) -> std::optional<std::string> {
    if (live) return folder;
    auto below = [&](const std::string& base) { return folder == base || folder.starts_with(base + "/"); };
    for (const std::string& root : roots)
      if (root != "/" && below(root)) return folder == root ? "/" : folder.substr(root.size());
    // A home kept outside the root stands for the user's home on the Mac, which is never denied.
    for (const std::string& home : homes)
      if (home != "/" && below(home)) return "/Users/" + home.substr(home.rfind('/') + 1) + folder.substr(home.size());
    return std::nullopt;
  };
  return collaborators;
}

RestoreOutcome RestoreExecutor::restore(const std::string& sourcePath, const PutBackInfo& putBack,
                                        const std::vector<std::string>& roots, bool forceCopy) const {
  // Source facts.
  auto split = pf::splitPath(sourcePath);
  if (!split) return RestoreOutcome::rejected(RestoreRejection::sourceNotInTrash);
  int lstatError = 0;
  auto item = pf::linkStatus(sourcePath, &lstatError);
  if (!item) return lstatError == ENOENT ? RestoreOutcome::sourceGone() : RestoreOutcome::failed("lstat source");
  auto parentReal = TrashLocator::resolvedRealPath(split->parent);
  if (!parentReal) return RestoreOutcome::failed("resolve source parent");
  SourceFacts source;
  source.path = sourcePath;
  source.resolvedLocation = (*parentReal == "/" ? "" : *parentReal) + "/" + split->name;
  source.isSymlink = item->type() == pf::FileType::symlink;
  source.isDirectory = item->type() == pf::FileType::directory;
  source.stDev = item->device;
  if (!source.isSymlink && !source.isDirectory) source.sizeBytes = item->allocatedSize;

  // Destination facts.
  const std::string& folder = putBack.originalParent;
  RestorePlanner::DestinationFacts destination;
  if (auto facts = pf::linkStatus(folder)) {
    destination.exists = true;
    destination.isSymlink = facts->type() == pf::FileType::symlink;
    destination.isDirectory = facts->type() == pf::FileType::directory;
    destination.isWritable = collaborators_.isWritable(folder);
    destination.stDev = facts->device;
    destination.inode = facts->inode;
  }
  destination.macPath = collaborators_.macPathOf(folder);
  destination.outsideMac = !destination.macPath;
  destination.names = pf::listNames(folder);

  auto planned = RestorePlanner::plan(source, destination, putBack, roots);
  if (planned.kind == RestoreDecision::Kind::rejected) return RestoreOutcome::rejected(planned.rejection);
  const RestorePlan plan = planned.plan;
  if (collaborators_.afterPlanning) collaborators_.afterPlanning(plan);

  // Execution, relative to the two opened folders.
  auto destReal = TrashLocator::resolvedRealPath(folder);
  if (!destReal) return RestoreOutcome::failed("resolve dest parent");
  // A link on the way may lead into a denied folder: the folder reached is judged too.
  if (auto reached = collaborators_.macPathOf(*destReal); !reached || *reached == "/" || RestorePlanner::isDenied(*reached))
    return RestoreOutcome::rejected(RestoreRejection::destinationUntrusted);
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
  auto opened = pf::statusOf(dstDir->get());
  if (!opened.has_value() || opened->device != destination.stDev || opened->inode != destination.inode)
    return RestoreOutcome::failed("dest parent changed");

  const std::string& name = split->name;
  const std::string chosen = plan.destPath.substr(plan.destPath.rfind('/') + 1);
  // A user-locked item cannot be renamed or removed: clear exactly those two flags (failures ignored).
  if (auto status = pf::statusAt(srcDir->get(), name); status.has_value() && (status->flags & kUserLockFlags) != 0)
    (void)pf::setFlagsAt(srcDir->get(), name, status->type() == pf::FileType::symlink, status->flags & ~kUserLockFlags);

  if (!forceCopy && plan.strategy == RestoreStrategy::rename) {
    auto renamed = pf::renameExclusive(srcDir->get(), name, dstDir->get(), chosen);
    if (renamed.has_value()) return RestoreOutcome::restored(plan.destPath, RestoreStrategy::rename);
    const int code = renamed.error().code;
    if (code == ENOENT) return RestoreOutcome::sourceGone();
    if (code == EEXIST) return RestoreOutcome::destTaken();
    if (code != EXDEV) return RestoreOutcome::failed(errnoNote("rename", code));
  }

  // Copy, verify, rename into place, remove the original. The copy's random temporary name is recorded in
  // Corvane's own folder before the copy is made (and its identity once it exists), so that a copy left by
  // a restore that was killed is removed by a later one: that one and nothing else, whatever else is
  // named like it.
  const restore_copy::Journal journal(collaborators_.ownFolder);
  for (const std::string& notice : journal.cleanUp(pf::processExists))
    if (collaborators_.notice) collaborators_.notice(notice);
  const std::string temporary = std::string(kCopyPrefix) + std::to_string(pf::currentProcessId()) + "." +
                                Uuid::random().toString();
  auto original = pf::statusAt(srcDir->get(), name);
  if (!original.has_value()) return RestoreOutcome::sourceGone();
  auto discard = [&] {
    (void)pf::removeTree(dstDir->get(), temporary, *destReal + "/" + temporary);
    journal.forget(*destReal, temporary);
  };
  (void)journal.record({pf::currentProcessId(), *destReal, opened->device, opened->inode, temporary, 0, 0});
  const auto identifyCopy = [&](const pf::FileStatus& made) {
    journal.identify(*destReal, temporary, made.device, made.inode);
  };
  if (!restore_copy::copyTree(srcDir->get(), name, dstDir->get(), temporary, kMaxCopyDepth, identifyCopy).has_value()) {
    discard();
    return RestoreOutcome::copyFailed("copy");
  }
  if (!restore_copy::matches(srcDir->get(), name, *original, dstDir->get(), temporary)) {
    discard();
    return RestoreOutcome::copyFailed("verify mismatch");
  }
  auto finalized = pf::renameExclusive(dstDir->get(), temporary, dstDir->get(), chosen);
  if (!finalized.has_value()) {
    discard();
    const int code = finalized.error().code;
    return code == EEXIST ? RestoreOutcome::destTaken() : RestoreOutcome::failed(errnoNote("finalize rename", code));
  }
  journal.forget(*destReal, temporary);
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
