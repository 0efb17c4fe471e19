#include "corvane/uninstall/uninstall_session.h"

#include <algorithm>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/analysis/finding_ids.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/removal/background_service_controller.h"
#include "corvane/removal/elevation_guard.h"
#include "corvane/removal/removal_failure_classifier.h"
#include "corvane/analysis/removal_permission.h"
#include "corvane/removal/removal_runner.h"
#include "corvane/removal/trash_service.h"
#include "platform/directory.h"
#include "platform/fs_ops.h"
#include "uninstall/trash_move_step.h"

namespace corvane {

namespace {

bool inTier(const FileFinding& finding, UninstallSelection::Tier tier) {
  switch (tier) {
    case UninstallSelection::Tier::safe:
      return finding.confidence == FindingConfidence::safeToRemove;
    case UninstallSelection::Tier::probable:
      return finding.confidence == FindingConfidence::safeToRemove ||
             finding.confidence == FindingConfidence::probablyLeftover;
    case UninstallSelection::Tier::all:
    case UninstallSelection::Tier::chosen:
      return true;
  }
  return false;
}

}  // namespace

UninstallCollaborators UninstallCollaborators::system(const Layout& layout, PrivilegedShellRunner privilegedRunner) {
  UninstallCollaborators c;
  c.commandRunner = CommandRunner();
  c.trashMover = FileManagerTrashMover(layout);
  c.relocate = [](const Url& source, const Url& destination) {
    return platform::renameExclusive(source.path(), destination.path());
  };
  c.privilegedRunner = std::move(privilegedRunner);
  c.clock = &date::now;
  c.fileAccess = FileAccessChecks::system();
  c.elevationCandidate = &ElevationGuard::candidate;
  return c;
}

UninstallSession::UninstallSession(Layout layout, UninstallCollaborators collaborators, HistoryStore& history,
                                   UninstallOptions options)
    : layout_(std::move(layout)),
      collaborators_(std::move(collaborators)),
      history_(history),
      options_(std::move(options)) {
  collaborators_ = completed(layout_, std::move(collaborators_));
}

AppAnalyzer UninstallSession::analyzer() const {
  AppAnalyzer::Collaborators c;
  c.now = collaborators_.clock;
  c.requiresAdministrator = [checks = collaborators_.fileAccess](const Url& url) {
    return RemovalPermission::requiresAdministrator(url, checks);
  };
  AppAnalyzer::Options analysis;
  analysis.extendedMatching = analysis.systemOwnership = !options_.baseRulesOnly;
  return AppAnalyzer(layout_, std::move(c), analysis);
}

UninstallPlan UninstallSession::prepare(const Url& appURL, const UninstallSelection& selection) const {
  UninstallPlan plan;
  plan.appURL = appURL.standardized();
  bool isDirectory = false;
  if (!platform::fileExists(plan.appURL.path(), &isDirectory) || !isDirectory) return plan;

  AppDiscoveryService discovery(layout_);
  plan.application = discovery.makeApplication(plan.appURL);
  plan.installed = discovery.discover();
  for (const auto& app : plan.installed)
    if (app.url.standardized() == plan.appURL) plan.application = app;
  plan.before = analyzer().analyze(plan.application, plan.installed);
  if (options_.assignFindingIDs) options_.assignFindingIDs(plan.before);

  // An application bundle that only an administrator may move can be chosen when there is one to ask.
  const bool elevated = collaborators_.privilegedRunner.isAvailable();
  auto choosable = [elevated](const FileFinding& f) {
    return f.isSelectable() || (elevated && f.kind == FindingKind::application && f.isManuallySelectable());
  };
  if (selection.tier == UninstallSelection::Tier::chosen) {
    std::vector<std::pair<std::string, std::optional<Uuid>>> wanted;
    for (const auto& id : selection.ids) wanted.emplace_back(id.toString(), id);
    for (const auto& text : selection.idTexts) {
      const FileFinding* named = FindingIDs::find(text, plan.before.findings);
      wanted.emplace_back(text, named ? std::optional<Uuid>(named->id) : std::nullopt);
    }
    for (const auto& entry : wanted) {
      const std::optional<Uuid>& id = entry.second;
      auto found = std::find_if(plan.before.findings.begin(), plan.before.findings.end(),
                                [&](const FileFinding& f) { return id && f.id == *id && choosable(f); });
      if (found == plan.before.findings.end()) {
        plan.kind = UninstallPlan::Kind::notSelectable;
        plan.refusedID = id;
        plan.refused = entry.first;
        plan.selected.clear();
        return plan;
      }
      if (std::find(plan.selected.begin(), plan.selected.end(), *found) == plan.selected.end())
        plan.selected.push_back(*found);
    }
  } else {
    for (const auto& f : plan.before.findings)
      if (choosable(f) && inTier(f, selection.tier)) plan.selected.push_back(f);
  }
  if (selection.keepApplication) {
    std::erase_if(plan.selected, [](const FileFinding& f) { return f.kind == FindingKind::application; });
  }
  plan.kind = plan.selected.empty() ? UninstallPlan::Kind::nothingSelected : UninstallPlan::Kind::ready;
  return plan;
}

AnalysisSnapshot UninstallSession::analyzeAgain(const UninstallPlan& plan) const {
  // The identity is the one analysed before: with the bundle gone, what was read from it (signature,
  // groups, embedded services) could not be read again.
  AppDiscoveryService discovery(layout_);
  std::vector<InstalledApplication> peers;
  for (auto& app : discovery.discover())
    if (app.url.standardized() != plan.appURL) peers.push_back(std::move(app));
  AppAnalyzer again = analyzer();
  AnalysisSnapshot after =
      again.analyze(plan.before.identity, plan.before.appURL, again.componentFacts(plan.before.appURL).evidence,
                    again.signatureEnrichedPeers(plan.before.identity, peers));
  if (options_.assignFindingIDs) options_.assignFindingIDs(after);
  return after;
}

UninstallResult UninstallSession::perform(const UninstallPlan& plan) const {
  UninstallResult result;
  if (plan.kind != UninstallPlan::Kind::ready || plan.selected.empty()) return result;
  // The record must be writable before the first item moves; the lock is kept until it is written.
  auto reservation = history_.reserve();
  if (!reservation.has_value()) {
    result.kind = UninstallResult::Kind::historyUnavailable;
    result.historyError = reservation.error();
    return result;
  }

  RemovalRunner::Transaction transaction =
      moveToTrash(layout_, collaborators_, options_.launchctl, plan.selected, plan.before.identity, std::nullopt);

  result.record = RemovalRunner::makeRecord(transaction, plan.before, analyzeAgain(plan), collaborators_.clock());
  Status recorded = history_.append(result.record);
  if (recorded.has_value()) {
    result.kind = UninstallResult::Kind::recorded;
  } else {
    result.kind = UninstallResult::Kind::notRecorded;
    result.historyError = recorded.error();
  }
  return result;
}

}  // namespace corvane
