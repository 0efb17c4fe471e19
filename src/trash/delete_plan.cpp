#include "corvane/trash/delete_plan.h"

#include <algorithm>
#include <set>

#include "corvane/removal/trash_safety.h"

namespace corvane {

namespace {

using Kind = ItemOutcome::Kind;

int countOf(const std::vector<ItemOutcome>& outcomes, Kind kind) {
  return static_cast<int>(
      std::count_if(outcomes.begin(), outcomes.end(), [kind](const ItemOutcome& o) { return o.kind == kind; }));
}

// Paths compare by their lexical form, so "/T/.Trash/" and "/T/.Trash" are one folder.
std::string comparable(const std::string& path) { return TrashSafety::lexicalNormalize(path).value_or(path); }

}  // namespace

std::vector<PlannedItem> DeletePlan::admitted() const {
  std::vector<PlannedItem> result;
  std::copy_if(items.begin(), items.end(), std::back_inserter(result), [](const PlannedItem& i) { return i.admitted; });
  return result;
}

std::int64_t DeletePlan::totalAdmittedBytes() const {
  std::int64_t total = 0;
  for (const auto& item : items)
    if (item.admitted && item.candidate.sizeBytes && !item.candidate.isDataless)
      total += std::max<std::int64_t>(*item.candidate.sizeBytes, 0);
  return total;
}

int DeletePlan::unmeasuredCount() const {
  return static_cast<int>(std::count_if(items.begin(), items.end(), [](const PlannedItem& i) {
    return i.admitted && (!i.candidate.sizeBytes || i.candidate.isDataless);
  }));
}

int DeleteReport::clearedCount() const {
  return countOf(outcomes, Kind::deleted) + countOf(outcomes, Kind::wouldDelete) + countOf(outcomes, Kind::alreadyGone);
}

std::int64_t DeleteReport::bytesReclaimed() const {
  std::int64_t total = 0;
  for (const auto& o : outcomes)
    if (o.kind == Kind::deleted || o.kind == Kind::wouldDelete) total += o.bytes;
  return total;
}

int DeleteReport::blockedCount() const { return countOf(outcomes, Kind::blocked); }
int DeleteReport::unsafeCount() const { return countOf(outcomes, Kind::skippedUnsafe); }
int DeleteReport::failedCount() const { return countOf(outcomes, Kind::failed); }

std::vector<std::string> DeleteReport::userLockedPaths() const {
  std::vector<std::string> paths;
  for (const auto& o : outcomes)
    if (o.kind == Kind::blocked && o.blocker.kind == BlockerKind::Kind::userLocked) paths.push_back(o.path);
  return paths;
}

bool DeleteReport::fullySucceeded() const {
  return finished && blockedCount() == 0 && failedCount() == 0 && unsafeCount() == 0;
}

BlockerBreakdown DeleteReport::blockerBreakdown() const {
  BlockerBreakdown counts;
  for (const auto& o : outcomes) {
    if (o.kind != Kind::blocked) continue;
    switch (o.blocker.kind) {
      case BlockerKind::Kind::userLocked: ++counts.locked; break;
      case BlockerKind::Kind::runningApp: ++counts.runningApp; break;
      case BlockerKind::Kind::systemImmutable: ++counts.system; break;
      case BlockerKind::Kind::busy: ++counts.busy; break;
      case BlockerKind::Kind::permission: ++counts.permission; break;
    }
  }
  return counts;
}

DeletePlan DeletePlanner::plan(const std::vector<DeleteCandidate>& candidates, const std::vector<std::string>& roots,
                               DeleteMode mode) {
  std::set<std::string> rootSet;
  for (const auto& root : roots) rootSet.insert(comparable(root));
  std::set<std::string> admittedPaths;

  DeletePlan plan{mode, {}};
  plan.items.reserve(candidates.size());
  for (const auto& candidate : candidates) {
    PlannedItem item{candidate, false, std::nullopt, false, false};
    if (!candidate.resolvedPath) {
      item.skip = SkipReason::unresolvable;
    } else if (rootSet.count(comparable(*candidate.resolvedPath)) != 0) {
      item.skip = SkipReason::rootItself;
    } else if (!TrashSafety::isInsideAnyTrash(*candidate.resolvedPath, roots)) {
      item.skip = SkipReason::outsideTrash;
    } else if (!admittedPaths.insert(comparable(*candidate.resolvedPath)).second) {
      item.skip = SkipReason::duplicateInPlan;
    } else {
      item.admitted = true;
      item.needsForce = candidate.hasUserImmutableFlag;
      item.systemBlocked = candidate.hasSystemBlockingFlag;
    }
    plan.items.push_back(std::move(item));
  }
  return plan;
}

ConfirmationRequest ConfirmationPolicy::request(const DeletePlan& plan, const BlockerBreakdown& blockers,
                                                const std::string& scope) {
  ConfirmationRequest request;
  request.mode = plan.mode;
  request.scope = scope;
  request.admittedCount = static_cast<int>(plan.admitted().size());
  request.totalAdmittedBytes = plan.totalAdmittedBytes();
  request.unmeasuredCount = plan.unmeasuredCount();
  request.blockers = blockers;
  request.requiresTypedPhrase =
      plan.mode == DeleteMode::deleteSelection &&
      (request.admittedCount > kTypedPhraseItemThreshold || request.totalAdmittedBytes > kTypedPhraseByteThreshold);
  if (request.requiresTypedPhrase) request.phrase = kPhrase;
  return request;
}

std::string countLabel(long long count, const std::string& singular, const std::optional<std::string>& plural) {
  return std::to_string(count) + " " + (count == 1 ? singular : plural.value_or(singular + "s"));
}

}  // namespace corvane
