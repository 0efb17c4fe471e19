#include "corvane/trash/trash_session.h"

#include <algorithm>
#include <map>
#include <set>

#include "corvane/history/bulk_restore_summary.h"
#include "corvane/removal/trash_locator.h"
#include "corvane/removal/trash_safety.h"
#include "corvane/trash/app_trash_mutator.h"
#include "corvane/trash/leftovers_scanner.h"
#include "corvane/trash/triage.h"
#include "platform/directory.h"
#include "platform/fs_ops.h"

namespace corvane {

namespace {

DeleteCandidate candidateOf(const LeftoverRow& row) {
  DeleteCandidate candidate;
  candidate.path = row.path;
  // The row's own path is what is planned: a link in the Trash is removed itself, wherever it leads, so
  // only its folder is resolved.
  if (auto split = platform::splitPath(row.path))
    if (auto parent = TrashLocator::resolvedRealPath(split->parent))
      candidate.resolvedPath = (*parent == "/" ? "" : *parent) + "/" + split->name;
  candidate.isDirectory = row.isDirectory;
  candidate.isSymlink = row.kindLabel == triage::kindLabel(TrashCategory::symlink);
  candidate.sizeBytes = row.sizeBytes;
  return candidate;
}

// Removes root-owned items with the remover itself, for a tool that already runs as the administrator.
AppTrashMutator::RootDeleteStep removedDirectly(const std::vector<std::string>& roots) {
  return [roots](const std::vector<std::string>& given) {
    std::map<std::string, AppTrashMutator::RootDeleteOutcome> done;
    for (const auto& path : given) {
      ItemOutcome outcome = FSMutator::deleteItem(path, std::nullopt, roots, {true, false});
      done[path] = {outcome.kind == ItemOutcome::Kind::deleted || outcome.kind == ItemOutcome::Kind::alreadyGone,
                    outcome.note.empty() ? std::nullopt : std::optional<std::string>(outcome.note)};
    }
    return done;
  };
}

}  // namespace

bool TrashResult::succeeded() const {
  if (action != TrashAction::putBack) return deletion.fullySucceeded();
  return std::all_of(putBack.begin(), putBack.end(),
                     [](const PutBackItem& item) { return BulkRestoreSummary::isRestored(item.outcome); });
}

TrashCollaborators TrashCollaborators::system() {
  TrashCollaborators c;
  c.clock = &date::now;
  c.administrator = platform::effectiveUserID() == 0;
  return c;
}

TrashSession::TrashSession(Layout layout, TrashCollaborators collaborators, const HistoryStore& history)
    : layout_(std::move(layout)), collaborators_(std::move(collaborators)), history_(history) {}

std::string TrashSession::trashName(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

HistoryOrigins TrashSession::historyOrigins(const std::vector<UninstallRecord>& newestFirst) {
  HistoryOrigins origins;
  for (auto record = newestFirst.rbegin(); record != newestFirst.rend(); ++record)
    for (const auto& op : record->operations)
      if (op.succeeded && op.trashedURL)
        origins[trashName(op.trashedURL->path())] = {op.originalURL.path(), record->createdAt};
  return origins;
}

std::optional<std::vector<LeftoverRow>> TrashSession::scan(const HistoryOrigins& origins) const {
  LeftoversScanner::Collaborators machine;
  machine.scanFolder = collaborators_.scanFolder;
  machine.now = collaborators_.clock;
  LeftoversScanState scanned = LeftoversScanner(layout_, std::move(machine)).scan(origins);
  if (scanned.kind != LeftoversScanState::Kind::scanned) return std::nullopt;
  return std::move(scanned.result.rows);
}

TrashListing TrashSession::list(const TrashQuery& query) const {
  auto scanned = scan(historyOrigins(history_.records()));
  if (!scanned) return {};
  const LeftoverSortKey key = query.key.value_or(LeftoverSortKey::size);
  LeftoverSortDirection direction = query.direction.value_or(leftoverSort::defaultDirection(key));
  if (query.byLane && query.direction != LeftoverSortDirection::descending) direction = LeftoverSortDirection::ascending;
  TrashListing listing{true, LeftoverArranger::arrange(std::move(*scanned), query.search, key,
                                                       query.byLane ? LeftoverSortDirection::descending : direction)};
  if (query.byLane)
    std::stable_sort(listing.rows.begin(), listing.rows.end(), [&](const LeftoverRow& a, const LeftoverRow& b) {
      return direction == LeftoverSortDirection::ascending ? a.triageLane < b.triageLane : b.triageLane < a.triageLane;
    });
  if (query.lane) std::erase_if(listing.rows, [&](const LeftoverRow& row) { return row.triageLane != *query.lane; });
  return listing;
}

TrashPlan TrashSession::plan(const TrashRequest& request) const {
  TrashPlan plan;
  plan.request = request;
  plan.origins = historyOrigins(history_.records());
  auto listed = scan(plan.origins);
  if (!listed) return plan;
  plan.kind = TrashPlan::Kind::ready;
  plan.roots = TrashLocator(layout_).discoverTrashRoots();
  select(plan, *listed);
  if (plan.kind != TrashPlan::Kind::ready) return plan;
  if (request.action == TrashAction::putBack) {
    // Only the Trash's own items have a record of where they came from; one inside a folder there has none.
    std::erase_if(plan.rows, [&](const LeftoverRow& row) {
      const bool own = std::any_of(listed->begin(), listed->end(), [&](const LeftoverRow& r) { return r.path == row.path; });
      if (!own) plan.unrecorded.push_back(row.path);
      return !own;
    });
  } else {
    planDeletion(plan);
  }
  return plan;
}

void TrashSession::select(TrashPlan& plan, const std::vector<LeftoverRow>& listed) const {
  if (plan.request.action == TrashAction::empty) {
    plan.rows = listed;
    return;
  }
  std::set<std::string> seen;
  for (const auto& path : plan.request.paths) {
    const bool twice = !seen.insert(path).second;
    if (twice || !TrashSafety::isInsideAnyTrash(path, plan.roots)) {
      plan.kind = twice ? TrashPlan::Kind::givenTwice : TrashPlan::Kind::notInTrash;
      plan.refused = path;
      return;
    }
  }
  for (const auto& path : plan.request.paths) {
    auto row = std::find_if(listed.begin(), listed.end(), [&](const LeftoverRow& r) { return r.path == path; });
    if (row != listed.end()) {
      plan.rows.push_back(*row);
      continue;
    }
    // Not a listed item: judged by where its folder really is, never by the text alone.
    const auto split = platform::splitPath(path);
    const auto parent = split ? TrashLocator::resolvedRealPath(split->parent) : std::nullopt;
    const bool inTrash = parent && (std::find(plan.roots.begin(), plan.roots.end(), *parent) != plan.roots.end() ||
                                    TrashSafety::isInsideAnyTrash(*parent, plan.roots));
    if (parent && !inTrash) {
      plan.unsafe.push_back(path);
    } else if (parent && platform::itemExists(path)) {
      LeftoverRow inner;
      inner.id = inner.path = path;
      inner.name = split->name;
      plan.rows.push_back(std::move(inner));
    } else {
      plan.missing.push_back(path);
    }
  }
}

void TrashSession::planDeletion(TrashPlan& plan) const {
  const bool everything = plan.request.action == TrashAction::empty;
  const DeleteMode mode = !everything           ? DeleteMode::deleteSelection
                          : plan.request.force ? DeleteMode::forceEmpty
                                               : DeleteMode::normalEmpty;
  std::vector<DeleteCandidate> candidates;
  for (const auto& row : plan.rows) candidates.push_back(candidateOf(row));
  plan.deletion = DeletePlanner::plan(candidates, plan.roots, mode);
  plan.counts = ConfirmationPolicy::request(plan.deletion, {}, everything ? "Trash" : "selection");
  if (plan.request.dryRun || plan.counts.admittedCount == 0) plan.confirmation = TrashConfirmation::none;
  else if (plan.counts.requiresTypedPhrase) plan.confirmation = TrashConfirmation::typedPhrase;
  else plan.confirmation = TrashConfirmation::yesNo;
}

TrashResult TrashSession::perform(const TrashPlan& plan) const {
  if (plan.kind != TrashPlan::Kind::ready) return TrashResult{plan.request.action, {}, {}, {}, {}};
  return plan.request.action == TrashAction::putBack ? performPutBack(plan) : performDeletion(plan);
}

TrashResult TrashSession::performPutBack(const TrashPlan& plan) const {
  TrashResult result;
  result.action = TrashAction::putBack;
  AppTrashMutator::ReclaimStep reclaim;
  // Run as the administrator, the tool already has the rights the hand-back would ask for.
  if (collaborators_.administrator)
    reclaim = [](const std::vector<std::string>& given) { return std::set<std::string>(given.begin(), given.end()); };
  const AppTrashMutator mutator(layout_, [&result](const std::string& sentence) { result.notices.push_back(sentence); });
  const auto outcomes = mutator.putBack(plan.rows, plan.origins, reclaim);
  for (std::size_t i = 0; i < outcomes.size() && i < plan.rows.size(); ++i)
    result.putBack.push_back({plan.rows[i].path, outcomes[i].first, outcomes[i].second});
  auto refuse = [&result](const std::vector<std::string>& paths, const RestoreOutcome& outcome) {
    for (const auto& path : paths) result.putBack.push_back({path, trashName(path), outcome});
  };
  refuse(plan.unrecorded, RestoreOutcome::rejected(RestoreRejection::destParentMissing));
  refuse(plan.unsafe, RestoreOutcome::rejected(RestoreRejection::sourceNotInTrash));
  refuse(plan.missing, RestoreOutcome::sourceGone());
  std::vector<NamedRestoreOutcome> named;
  for (const auto& item : result.putBack) named.push_back({item.name, item.outcome});
  result.summary = BulkRestoreSummary::message(named);
  return result;
}

TrashResult TrashSession::performDeletion(const TrashPlan& plan) const {
  TrashResult result;
  result.action = plan.request.action;
  result.deletion = DeleteReport{plan.deletion.mode, plan.request.dryRun, {}, true};
  std::vector<ItemOutcome> removed;
  if (plan.request.dryRun) {
    for (const auto& item : plan.deletion.admitted())
      removed.push_back(FSMutator::deleteItem(item.candidate.path, item.candidate.sizeBytes, plan.roots,
                                              {plan.request.force, /*dryRun=*/true}));
  } else {
    std::vector<LeftoverRow> admittedRows;
    for (const auto& item : plan.deletion.admitted())
      for (const auto& row : plan.rows)
        if (row.path == item.candidate.path) admittedRows.push_back(row);
    AppTrashMutator::RootDeleteStep asAdministrator;
    // Run as the administrator, the tool removes root-owned items itself, still through the remover.
    if (collaborators_.administrator) asAdministrator = removedDirectly(plan.roots);
    removed = AppTrashMutator(layout_).deleteRows(admittedRows, plan.request.force, asAdministrator).outcomes;
  }
  // One outcome per item asked for, in the plan's order: what the plan skipped is refused as unsafe.
  auto& outcomes = result.deletion.outcomes;
  std::size_t next = 0;
  for (const auto& item : plan.deletion.items)
    outcomes.push_back(item.admitted && next < removed.size()
                           ? removed[next++]
                           : ItemOutcome::skippedUnsafe(item.candidate.path, item.skip.value_or(SkipReason::outsideTrash)));
  for (const auto& path : plan.unsafe) outcomes.push_back(ItemOutcome::skippedUnsafe(path, SkipReason::notInTrashAfterRealpath));
  for (const auto& path : plan.missing) outcomes.push_back(ItemOutcome::alreadyGone(path));
  return result;
}

}  // namespace corvane
