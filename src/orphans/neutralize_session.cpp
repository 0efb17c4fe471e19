#include "corvane/orphans/neutralize_session.h"

#include "corvane/discovery/app_discovery_service.h"
#include "corvane/discovery/background_items_store.h"
#include "corvane/orphans/orphan_scanner.h"
#include "corvane/orphans/suppressed_background_items.h"

namespace corvane {

NeutralizeCollaborators NeutralizeCollaborators::system(const Layout& layout, std::string launchctl) {
  return {CommandRunner(), std::move(launchctl), BackgroundItemNeutralizer::userLeftovers(layout)};
}

NeutralizeSession::NeutralizeSession(Layout layout, NeutralizeCollaborators collaborators)
    : layout_(std::move(layout)), collaborators_(std::move(collaborators)) {}

NeutralizePlan NeutralizeSession::plan(const std::string& label) const {
  NeutralizePlan plan;
  plan.label = label;
  const AppDiscoveryService discovery(layout_);
  plan.unreadableApplicationFolders = discovery.unreadableApplicationFolders();
  if (!plan.unreadableApplicationFolders.empty()) {
    plan.kind = NeutralizePlan::Kind::incompleteScan;
    return plan;
  }
  const BackgroundItemsLoadResult items = BackgroundItemsStore::loadDetailed(layout_);
  plan.record = OrphanScanner(layout_).removableBackgroundItemOrphan(label, items.records, discovery.discover());
  plan.kind = plan.record ? NeutralizePlan::Kind::ready : NeutralizePlan::Kind::notLeftover;
  return plan;
}

NeutralizeResult NeutralizeSession::perform(const NeutralizePlan& plan) const {
  NeutralizeResult result;
  if (plan.kind != NeutralizePlan::Kind::ready || !plan.record) return result;
  const BackgroundItemNeutralizer neutralizer(std::make_shared<const CommandRunning>(collaborators_.commandRunner), layout_.userID,
                                              collaborators_.trashLeftovers, collaborators_.launchctl);
  result.outcome = neutralizer.neutralize(plan.label, plan.record->name);
  // Only a service launchd now keeps off stops being listed.
  if (result.outcome.refused || !result.outcome.disabled) {
    result.kind = NeutralizeResult::Kind::notTurnedOff;
    return result;
  }
  Status remembered = SuppressedBackgroundItems(layout_).remember(plan.label);
  result.kind = remembered.has_value() ? NeutralizeResult::Kind::neutralized : NeutralizeResult::Kind::notRemembered;
  if (!remembered.has_value()) result.rememberError = remembered.error();
  return result;
}

}  // namespace corvane
