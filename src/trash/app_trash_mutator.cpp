#include "corvane/trash/app_trash_mutator.h"

#include "corvane/removal/trash_safety.h"

namespace corvane {

namespace {

std::vector<std::string> pathsOf(const std::vector<TrashLocator::Root>& roots) {
  std::vector<std::string> paths;
  paths.reserve(roots.size());
  for (const auto& root : roots) paths.push_back(root.path);
  return paths;
}

// The first root that strictly contains the path, judged from the text alone.
const TrashLocator::Root* containingRoot(const std::string& path, const std::vector<TrashLocator::Root>& roots) {
  for (const auto& root : roots)
    if (TrashSafety::isInsideAnyTrash(path, {root.path})) return &root;
  return nullptr;
}

ItemOutcome failedOutcome(std::string path, std::string note) {
  ItemOutcome outcome;
  outcome.kind = ItemOutcome::Kind::failed;
  outcome.path = std::move(path);
  outcome.note = std::move(note);
  return outcome;
}

RestoreOutcome restoreFailed(std::string note) {
  RestoreOutcome outcome;
  outcome.kind = RestoreOutcome::Kind::failed;
  outcome.note = std::move(note);
  return outcome;
}

RestoreOutcome restoreRejected(RestoreRejection reason) {
  RestoreOutcome outcome;
  outcome.kind = RestoreOutcome::Kind::rejected;
  outcome.rejection = reason;
  return outcome;
}

}  // namespace

AppTrashMutator::AppTrashMutator(Layout layout, Collaborators collaborators)
    : layout_(std::move(layout)), collaborators_(std::move(collaborators)) {}

bool AppTrashMutator::inHome(const LeftoverRow& row, const std::vector<TrashLocator::Root>& roots) {
  const TrashLocator::Root* root = containingRoot(row.path, roots);
  return root != nullptr && root->isHome;
}

bool AppTrashMutator::isInHomeTrash(const LeftoverRow& row) const { return inHome(row, collaborators_.roots()); }

bool AppTrashMutator::needsPrivilegedStep(const std::vector<LeftoverRow>& rows) const {
  const auto roots = collaborators_.roots();
  for (const auto& row : rows)
    if (row.isRootOwned && inHome(row, roots)) return true;
  return false;
}

AppTrashMutator::DeletePreview AppTrashMutator::deleteConfirmation(const std::vector<LeftoverRow>& rows) const {
  std::vector<DeleteCandidate> candidates;
  candidates.reserve(rows.size());
  for (const auto& row : rows) {
    DeleteCandidate candidate;
    candidate.path = row.path;
    candidate.resolvedPath = row.path;
    candidate.isDirectory = row.isDirectory;
    candidate.sizeBytes = row.sizeBytes;
    candidates.push_back(std::move(candidate));
  }
  const DeletePlan plan =
      DeletePlanner::plan(candidates, pathsOf(collaborators_.roots()), DeleteMode::deleteSelection);
  const ConfirmationRequest request = ConfirmationPolicy::request(plan, {}, "Trash");
  return {request.admittedCount, request.totalAdmittedBytes, request.requiresTypedPhrase, request.phrase.value_or("")};
}

DeleteReport AppTrashMutator::deleteRows(const std::vector<LeftoverRow>& rows, bool force,
                                         const RootDeleteStep& deleteRootOwned) const {
  const auto roots = collaborators_.roots();
  const auto rootPaths = pathsOf(roots);

  std::vector<std::string> privileged;
  for (const auto& row : rows)
    if (row.isRootOwned && inHome(row, roots)) privileged.push_back(row.path);
  std::map<std::string, RootDeleteOutcome> rootResults;
  if (!privileged.empty() && deleteRootOwned) rootResults = deleteRootOwned(privileged);

  DeleteReport report{DeleteMode::deleteSelection, false, {}, false};
  report.outcomes.reserve(rows.size());
  for (const auto& row : rows) {
    if (!row.isRootOwned) {
      report.outcomes.push_back(collaborators_.remove(row.path, row.sizeBytes, rootPaths, {force, false}));
      continue;
    }
    if (!inHome(row, roots)) {
      report.outcomes.push_back(failedOutcome(row.path, kOtherDriveNote));
      continue;
    }
    auto found = rootResults.find(row.path);
    if (found == rootResults.end()) {
      ItemOutcome blocked;
      blocked.kind = ItemOutcome::Kind::blocked;
      blocked.path = row.path;
      blocked.blocker = BlockerKind::systemImmutable();
      report.outcomes.push_back(std::move(blocked));
    } else if (found->second.deleted) {
      ItemOutcome deleted;
      deleted.kind = ItemOutcome::Kind::deleted;
      deleted.path = row.path;
      deleted.bytes = row.sizeBytes.value_or(0);
      report.outcomes.push_back(std::move(deleted));
    } else {
      report.outcomes.push_back(failedOutcome(row.path, found->second.message.value_or(kNotRemovedNote)));
    }
  }
  report.finished = true;
  return report;
}

std::vector<std::pair<std::string, RestoreOutcome>> AppTrashMutator::putBack(const std::vector<LeftoverRow>& rows,
                                                                            const HistoryOrigins& historyOrigins,
                                                                            const ReclaimStep& reclaim) const {
  std::vector<std::pair<std::string, RestoreOutcome>> results;
  results.reserve(rows.size());
  const auto roots = collaborators_.roots();
  if (roots.empty()) {
    for (const auto& row : rows) results.emplace_back(row.name, restoreFailed("Trash unavailable"));
    return results;
  }
  const auto rootPaths = pathsOf(roots);

  std::vector<std::string> privileged;
  for (const auto& row : rows)
    if (row.isRootOwned && inHome(row, roots)) privileged.push_back(row.path);
  std::set<std::string> reclaimed;
  if (!privileged.empty() && reclaim) reclaimed = reclaim(privileged);

  std::map<std::string, PutBackTable> tables;  // by root path, loaded when first needed
  for (const auto& row : rows) {
    const TrashLocator::Root* root = containingRoot(row.path, roots);
    if (root == nullptr) {
      results.emplace_back(row.name, restoreRejected(RestoreRejection::sourceNotInTrash));
      continue;
    }
    if (row.isRootOwned && !root->isHome) {
      results.emplace_back(row.name, restoreFailed("it is system-owned and on another drive"));
      continue;
    }
    if (row.isRootOwned && reclaimed.count(row.path) == 0) {
      results.emplace_back(row.name, restoreFailed("system-owned"));
      continue;
    }
    auto table = tables.find(root->path);
    if (table == tables.end())
      table = tables.emplace(root->path, collaborators_.loadPutBack(root->path, root->volumeRoot)).first;
    std::optional<PutBackInfo> info;
    if (auto entry = table->second.find(row.name); entry != table->second.end()) info = entry->second;
    if (!info && root->isHome) {
      // The uninstall history records the paths the items had on this machine (host paths already).
      info = PutBackStore::applicableFallback(row.name, row.dateTrashed, historyOrigins);
    }
    if (!info) {
      results.emplace_back(row.name, restoreRejected(RestoreRejection::destParentMissing));
      continue;
    }
    results.emplace_back(row.name, collaborators_.restore(row.path, *info, rootPaths, false));
  }
  return results;
}

}  // namespace corvane
