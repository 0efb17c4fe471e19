#include "corvane/uninstall/restore_session.h"

#include <algorithm>
#include <map>
#include <set>

#include "corvane/history/bulk_restore_summary.h"
#include "corvane/removal/launchctl_runner.h"
#include "corvane/trash/leftovers_scanner.h"
#include "platform/directory.h"
#include "platform/disk_identity.h"

namespace corvane {

namespace {

std::string lastComponent(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether the Trash still holds the very item that was moved: something at its Trash path, and the same
// object as the one analysed when that is known (a later item of the same name is not ours to move).
bool stillInTrash(const std::string& trashPath, const std::optional<DiskIdentity>& identity) {
  auto now = platform::diskIdentityOf(Url::fileURL(trashPath));
  if (!now.has_value()) return false;
  return !identity || identity->isSameObject(*now);
}

}  // namespace

RestoreCollaborators RestoreCollaborators::system(const Layout& layout, const std::string& launchctl) {
  RestoreCollaborators c;
  c.commandRunner = launchctlRunner(launchctl);
  c.clock = &date::now;
  c.restoring = RestoreExecutor::forLayout(layout);
  c.loadPutBack = [scanner = LeftoversScanner(layout)](const std::string& root, const std::string& volume) {
    return scanner.loadPutBack(root, volume);
  };
  c.trashRoots = [locator = TrashLocator(layout)] { return locator.discoverRoots(); };
  return c;
}

bool RestoreSessionResult::allBack() const {
  return notInTrash == 0 && std::all_of(items.begin(), items.end(), [](const RestoreItemResult& item) {
           return BulkRestoreSummary::isRestored(item.outcome);
         });
}

RestoreSession::RestoreSession(Layout layout, RestoreCollaborators collaborators, const HistoryStore& history,
                               HistoryFacts& facts)
    : layout_(std::move(layout)), collaborators_(std::move(collaborators)), history_(history), facts_(facts) {}

RestoreSessionPlan RestoreSession::plan(const std::string& recordID) const {
  RestoreSessionPlan plan;
  plan.recordID = recordID;
  const UninstallRecord* found = history_.find(recordID);
  if (!found) return plan;
  plan.record = *found;
  if (plan.record.backgroundServiceOperations)
    for (const auto& service : *plan.record.backgroundServiceOperations)
      if (service.wasRegistered) plan.pausedServices.push_back(service.serviceIdentifier);

  const std::vector<TrashLocator::Root> roots = collaborators_.trashRoots();
  std::map<std::string, PutBackTable> tables;  // by Trash root, loaded once each
  for (const auto& op : plan.record.operations) {
    if (!op.succeeded || !op.trashedURL) continue;
    ++plan.movedCount;
    RestoreItem item{op.trashedURL->path(), lastComponent(op.trashedURL->path()), op.originalURL.path(), std::nullopt};
    std::optional<DiskIdentity> identity;
    for (const auto& finding : plan.record.preRemovalSnapshot.findings)
      if (finding.url.path() == item.originalPath) identity = finding.diskIdentity;
    if (!stillInTrash(item.trashPath, identity)) continue;
    // The Trash folder's own Put Back record first; the history's word where there is none.
    if (auto root = TrashLocator::root(item.trashPath, roots)) {
      auto table = tables.find(root->path);
      if (table == tables.end())
        table = tables.emplace(root->path, collaborators_.loadPutBack(root->path, root->volumeRoot)).first;
      if (auto entry = table->second.find(item.name); entry != table->second.end()) item.putBack = entry->second;
    }
    if (!item.putBack) item.putBack = PutBackStore::infoFrom(item.originalPath, item.name);
    plan.items.push_back(std::move(item));
  }
  plan.kind = plan.items.empty() ? RestoreSessionPlan::Kind::nothingInTrash : RestoreSessionPlan::Kind::ready;
  return plan;
}

RestoreSessionResult RestoreSession::perform(const RestoreSessionPlan& plan) const {
  RestoreSessionResult result;
  if (plan.kind != RestoreSessionPlan::Kind::ready) return result;
  std::vector<std::string> rootPaths;
  for (const auto& root : collaborators_.trashRoots()) rootPaths.push_back(root.path);
  const RestoreExecutor executor(collaborators_.restoring);
  std::vector<NamedRestoreOutcome> named;
  std::set<std::string> restoredPaths;
  for (const auto& item : plan.items) {
    RestoreOutcome outcome = RestoreOutcome::rejected(RestoreRejection::destinationUntrusted);
    if (item.putBack) outcome = executor.restore(item.trashPath, *item.putBack, rootPaths, /*forceCopy=*/false);
    if (auto to = outcome.restoredPath()) restoredPaths.insert(*to);
    named.push_back({item.name, outcome});
    result.items.push_back({item.trashPath, item.name, std::move(outcome)});
  }

  BackgroundServiceRestorer services(collaborators_.commandRunner, layout_.userID, Url::fileURL(layout_.home),
                                     &BackgroundServiceRestorer::readPlistFromDisk,
                                     [this](const std::string& program) {
                                       return platform::itemExists(layout_.hostPath(program));
                                     });
  result.services = services.restoreJobs({plan.record}, restoredPaths);
  result.summary = BulkRestoreSummary::message(named);
  result.notInTrash = plan.notInTrash();
  result.note = {collaborators_.clock(), result.summary, {restoredPaths.begin(), restoredPaths.end()}};
  Status noted = facts_.rememberRestore(plan.record.id, result.note);
  result.kind = noted.has_value() ? RestoreSessionResult::Kind::noted : RestoreSessionResult::Kind::notNoted;
  if (!noted.has_value()) result.noteError = noted.error();
  return result;
}

}  // namespace corvane
