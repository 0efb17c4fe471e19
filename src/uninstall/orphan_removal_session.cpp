#include "corvane/uninstall/orphan_removal_session.h"

#include <algorithm>

#include "corvane/analysis/finding_ids.h"
#include "corvane/discovery/installed_app_catalog.h"
#include "corvane/orphans/orphan_scan_session.h"
#include "corvane/orphans/removed_app_leftovers.h"
#include "platform/unicode.h"
#include "uninstall/trash_move_step.h"

namespace corvane {

namespace {

// Findings the user can have moved: never In Use, never a registration or a protected place; an
// application bundle that needs an administrator only when there is one to ask.
bool choosable(const FileFinding& f, bool elevated) {
  return f.isSelectable() || (elevated && f.kind == FindingKind::application && f.isManuallySelectable());
}

bool inTier(const FileFinding& f, OrphanSelection::Tier tier) {
  if (f.confidence == FindingConfidence::probablyLeftover || f.confidence == FindingConfidence::safeToRemove)
    return true;
  return tier == OrphanSelection::Tier::all && f.confidence == FindingConfidence::review;
}

const OrphanGroup* groupNamed(const std::vector<OrphanGroup>& groups, const std::string& key) {
  for (const auto& g : groups)
    if (g.suspectedBundleIdentifier == key) return &g;
  const std::string lower = platform::lowercased(key);
  for (const auto& g : groups)
    if (platform::lowercased(g.suspectedBundleIdentifier) == lower) return &g;
  return nullptr;
}

}  // namespace

OrphanRemovalSession::OrphanRemovalSession(Layout layout, UninstallCollaborators collaborators, HistoryStore& history)
    : layout_(std::move(layout)), collaborators_(completed(layout_, std::move(collaborators))), history_(history) {}

OrphanRemovalPlan OrphanRemovalSession::prepare(const std::vector<OrphanGroup>& groups,
                                                const OrphanSelection& selection) const {
  OrphanRemovalPlan plan;
  const bool elevated = collaborators_.privilegedRunner.isAvailable();
  auto take = [&plan](const FileFinding& f, const std::string& key) {
    auto same = [&f](const FileFinding& s) { return s.url.standardized() == f.url.standardized(); };
    if (std::any_of(plan.selected.begin(), plan.selected.end(), same)) return;
    plan.selected.push_back(f);
    if (std::find(plan.groupKeys.begin(), plan.groupKeys.end(), key) == plan.groupKeys.end())
      plan.groupKeys.push_back(key);
  };
  auto refuse = [&plan](OrphanRemovalPlan::Kind kind, std::string name) {
    plan.kind = kind;
    plan.refused = std::move(name);
    plan.selected.clear();
    plan.groupKeys.clear();
    return plan;
  };

  for (const auto& key : selection.groups) {
    const OrphanGroup* group = groupNamed(groups, key);
    if (!group) return refuse(OrphanRemovalPlan::Kind::unknownName, key);
    for (const auto& f : group->findings)
      if (choosable(f, elevated) && inTier(f, selection.tier)) take(f, group->suspectedBundleIdentifier);
  }
  for (const auto& id : selection.ids) {
    const FileFinding* found = nullptr;
    const OrphanGroup* owner = nullptr;
    for (const auto& g : groups)
      for (const auto& f : g.findings)
        if (!found && f.id == id) {
          found = &f;
          owner = &g;
        }
    if (!found) return refuse(OrphanRemovalPlan::Kind::unknownName, id.toString());
    if (!choosable(*found, elevated)) return refuse(OrphanRemovalPlan::Kind::notSelectable, id.toString());
    take(*found, owner->suspectedBundleIdentifier);
  }
  if (plan.selected.empty()) return plan;

  // One group keeps its own identity in the history; several share one name.
  const bool one = plan.groupKeys.size() == 1;
  plan.before = OrphanGroup{one ? plan.groupKeys.front() : std::string(kSeveralGroupsName), plan.selected}.snapshot();
  if (!one) plan.before.identity = AppIdentity{kSeveralGroupsName, std::nullopt, std::nullopt, std::nullopt,
                                               {}, std::nullopt, std::nullopt};
  plan.before.createdAt = collaborators_.clock();
  plan.kind = OrphanRemovalPlan::Kind::ready;
  return plan;
}

OrphanRemovalResult OrphanRemovalSession::perform(const OrphanRemovalPlan& plan) const {
  OrphanRemovalResult result;
  if (plan.kind != OrphanRemovalPlan::Kind::ready || plan.selected.empty()) return result;
  // The apps are gone: there is nothing of theirs to pause, and nothing to analyse again.
  RemovalRunner::Transaction transaction =
      moveToTrash(layout_, collaborators_, std::string(kLaunchctlPath), plan.selected, plan.before.identity, false);
  result.record = RemovalRunner::makeRecord(transaction, plan.before, std::nullopt, collaborators_.clock());
  Status recorded = history_.append(result.record);
  if (recorded.has_value()) {
    result.kind = OrphanRemovalResult::Kind::recorded;
  } else {
    result.kind = OrphanRemovalResult::Kind::notRecorded;
    result.historyError = recorded.error();
  }
  return result;
}

std::vector<OrphanGroup> OrphanRemovalSession::candidateGroups(const Layout& layout,
                                                               const std::vector<std::string>& keys) {
  std::vector<OrphanGroup> groups = OrphanScanSession(layout, {}).scan().groups;
  const std::vector<InstalledApplication> installed = OrphanScanSession::listApps(layout);
  const auto gone = InstalledAppCatalog::removed(InstalledAppCatalog(layout).load(), installed);
  for (const auto& key : keys)
    for (const auto& app : gone) {
      if (platform::lowercased(app.bundleIdentifier) != platform::lowercased(key)) continue;
      OrphanGroup group = RemovedAppLeftovers::group(app, RemovedAppLeftovers::analyze(layout, app, installed, gone));
      FindingIDs::assign(group, layout);
      RemovedAppLeftovers::merge(groups, std::move(group));
    }
  return groups;
}

OrphanSelection OrphanRemovalSession::selection(const std::vector<OrphanGroup>& groups,
                                                const std::vector<std::string>& names, OrphanSelection::Tier tier) {
  OrphanSelection selection;
  selection.tier = tier;
  std::vector<FileFinding> findings;
  for (const auto& g : groups) findings.insert(findings.end(), g.findings.begin(), g.findings.end());
  for (const auto& name : names) {
    if (const FileFinding* f = FindingIDs::find(name, findings)) {
      selection.ids.push_back(f->id);
    } else if (auto id = Uuid::parse(name)) {
      selection.ids.push_back(*id);
    } else {
      selection.groups.push_back(name);
    }
  }
  return selection;
}

std::vector<const FileFinding*> OrphanRemovalSession::moved(const OrphanRemovalPlan& plan,
                                                            const UninstallRecord& record) {
  std::vector<const FileFinding*> moved;
  for (const auto& f : plan.selected)
    for (const auto& op : record.operations)
      if (op.succeeded && op.originalURL.standardized() == f.url.standardized()) moved.push_back(&f);
  return moved;
}

}  // namespace corvane
