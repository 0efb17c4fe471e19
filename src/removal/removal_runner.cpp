#include "corvane/removal/removal_runner.h"

#include <algorithm>

#include "corvane/removal/changed_since_analysis.h"
#include "corvane/removal/removal_plan.h"

namespace corvane {

RemovalRunner::RemovalRunner(TrashService trashService, BackgroundServiceController backgroundServiceController)
    : trashService_(std::move(trashService)), backgroundServiceController_(std::move(backgroundServiceController)) {}

RemovalRunner::Transaction RemovalRunner::perform(const std::vector<FileFinding>& findings,
                                                  const AppIdentity& identity,
                                                  std::optional<bool> applicationWillBeRemoved) const {
  auto [unchanged, refused] = ChangedSinceAnalysis::partition(findings);

  bool pause = false;
  if (applicationWillBeRemoved) {
    pause = *applicationWillBeRemoved;
  } else {
    // Only an application finding that is really going to move counts; a refused one stays in place.
    pause = std::any_of(unchanged.begin(), unchanged.end(),
                        [](const FileFinding& f) { return f.kind == FindingKind::application; });
  }
  std::vector<std::string> services = pause ? identity.serviceIdentifiers() : std::vector<std::string>{};

  Transaction transaction;
  transaction.backgroundOperations = backgroundServiceController_.pauseRegisteredUserServices(services);

  for (const auto& finding : RemovalPlan::ordered(std::move(unchanged))) transaction.orderedURLs.push_back(finding.url);
  transaction.trashOperations = trashService_.moveToTrash(transaction.orderedURLs);
  transaction.trashOperations.insert(transaction.trashOperations.end(), refused.begin(), refused.end());
  return transaction;
}

UninstallRecord RemovalRunner::makeRecord(const Transaction& transaction, const AnalysisSnapshot& preRemovalSnapshot,
                                          std::optional<AnalysisSnapshot> postRemovalSnapshot, Date createdAt) {
  UninstallRecord record;
  record.createdAt = createdAt;
  record.identity = preRemovalSnapshot.identity;
  record.preRemovalSnapshot = preRemovalSnapshot;
  record.operations = transaction.trashOperations;
  record.postRemovalSnapshot = std::move(postRemovalSnapshot);
  record.backgroundServiceOperations = transaction.backgroundOperations;
  return record;
}

namespace RemovalTrashRefresh {

bool movedItemsToTrash(const std::vector<TrashOperation>& operations) {
  return std::any_of(operations.begin(), operations.end(),
                     [](const TrashOperation& op) { return op.succeeded && op.trashedURL.has_value(); });
}

}  // namespace RemovalTrashRefresh

}  // namespace corvane
