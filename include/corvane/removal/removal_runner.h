#pragma once
// One uninstall of the findings a user selected: what changed since the analysis is refused, the app's
// background services are paused, and the rest is moved to the Trash in a safe order. The caller then
// analyses again and turns the transaction into an UninstallRecord for the history.

#include <optional>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/removal/background_service_controller.h"
#include "corvane/base/date.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/removal_records.h"
#include "corvane/removal/trash_service.h"
#include "corvane/base/url.h"

namespace corvane {

class RemovalRunner {
 public:
  struct Transaction {
    // One per service asked to pause, in the controller's order.
    std::vector<BackgroundServiceOperation> backgroundOperations;
    // The Trash moves in removal order, then the refusals of change detection in input order.
    std::vector<TrashOperation> trashOperations;
    // What was handed to the Trash move, in removal order.
    std::vector<Url> orderedURLs;

    bool operator==(const Transaction&) const = default;
  };

  RemovalRunner(TrashService trashService, BackgroundServiceController backgroundServiceController);

  // `applicationWillBeRemoved`: true pauses the identity's services, false pauses none, absent pauses them
  // when the application finding itself is among the findings still unchanged. Services are paused before
  // anything moves. Every finding yields exactly one TrashOperation; never fails as a whole.
  Transaction perform(const std::vector<FileFinding>& findings, const AppIdentity& identity,
                      std::optional<bool> applicationWillBeRemoved = std::nullopt) const;

  // A fresh record of the transaction; the identity comes from the snapshot before removal, and the
  // background operations are always present (possibly empty).
  static UninstallRecord makeRecord(const Transaction& transaction, const AnalysisSnapshot& preRemovalSnapshot,
                                    std::optional<AnalysisSnapshot> postRemovalSnapshot, Date createdAt);

  const TrashService& trashService() const { return trashService_; }
  const BackgroundServiceController& backgroundServiceController() const { return backgroundServiceController_; }

 private:
  TrashService trashService_;
  BackgroundServiceController backgroundServiceController_;
};

namespace RemovalTrashRefresh {
// Whether some item is known to have landed in the Trash (a success with a Trash location), so that a
// view of the Trash should be refreshed.
bool movedItemsToTrash(const std::vector<TrashOperation>& operations);
}  // namespace RemovalTrashRefresh

}  // namespace corvane
