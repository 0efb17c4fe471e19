#include "corvane/orphans/leftover_check_session.h"

namespace corvane {

LeftoverCheckSession::LeftoverCheckSession(LeftoverCheckStore store, LeftoverCheckCollaborators collaborators)
    : store_(std::move(store)), collaborators_(std::move(collaborators)) {}

LeftoverCheckPlan LeftoverCheckSession::plan(bool onlyIfDue) const {
  LeftoverCheckPlan plan;
  plan.lastCheckedAt = store_.load().lastCheckedAt;
  plan.due = LeftoverCheckPolicy::isDue(plan.lastCheckedAt, collaborators_.clock());
  plan.onlyIfDue = onlyIfDue;
  return plan;
}

LeftoverCheckResult LeftoverCheckSession::perform(const LeftoverCheckPlan& plan) const {
  LeftoverCheckResult result;
  auto lock = store_.acquireLock();
  if (!lock) return result;
  // Another check may have run since the plan: what it wrote decides.
  LeftoverCheckState state = store_.load();
  const Date now = collaborators_.clock();
  result.due = LeftoverCheckPolicy::isDue(state.lastCheckedAt, now);
  if (!result.due && plan.onlyIfDue) {
    result.kind = LeftoverCheckResult::Kind::notDue;
    return result;
  }
  const OrphanScanResult scanned = collaborators_.scan();
  if (!scanned.isComplete()) {
    result.kind = LeftoverCheckResult::Kind::incompleteScan;
    result.unreadableApplicationFolders = scanned.unreadableApplicationFolders;
    return result;
  }
  result.outcome = LeftoverCheckPolicy::evaluate(scanned.groups, state.reportedKeys);
  result.notification = LeftoverCheckPolicy::notificationText(result.outcome);
  state.lastCheckedAt = now;
  // The keys are remembered once something was reported, so the first report stays the first until then.
  if (result.notification || state.reportedKeys) state.reportedKeys = result.outcome.nextReportedKeys;
  Status saved = store_.save(state);
  result.kind = saved.has_value() ? LeftoverCheckResult::Kind::checked : LeftoverCheckResult::Kind::notSaved;
  if (!saved.has_value()) result.saveError = saved.error();
  return result;
}

bool LeftoverCheckSession::reset() const { return store_.reset(kResetAttempts, kResetPauseMicroseconds); }

}  // namespace corvane
