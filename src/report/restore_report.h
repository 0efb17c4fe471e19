#pragma once
// Items put back from the Trash, as text and JSON: one sentence per item, the batch's summary, the launch
// agents turned on again, and how many items were no longer in the Trash.

#include <string>
#include <vector>

#include "corvane/history/background_service_restorer.h"
#include "corvane/history/restore.h"
#include "corvane/model/layout.h"
#include "corvane/uninstall/restore_session.h"
#include "model/json_value.h"

namespace corvane::report {

// {"kind": "restored", "restoredPath": ..., "strategy": "rename"} and the like: only the fields of the kind.
json::Json restoreOutcomeJSON(const RestoreOutcome& outcome);

// {"items": [...], "notInTrash": n, "services": [...], "summary": ...}.
json::Json restoreJSON(const std::vector<RestoreItemResult>& items,
                       const std::vector<BackgroundServiceRestoreOutcome>& services, const std::string& summary,
                       std::size_t notInTrash);
json::Json restoreJSON(const RestoreSessionResult& result);

// Each item's sentence (when there are several), the summary and the services, with paths shown for
// `shown`; then how many other items were no longer in the Trash, when any.
std::string restoreText(const std::vector<RestoreItemResult>& items,
                        const std::vector<BackgroundServiceRestoreOutcome>& services, const std::string& summary,
                        const Layout& shown);
std::string restoreText(const RestoreSessionResult& result, const Layout& shown);

// Why a plan that is not ready puts nothing back: "no uninstall with id X in the history", "nothing to put
// back: the item this uninstall moved is not in the Trash any more" and the like.
std::string restorePlanProblem(const RestoreSessionPlan& plan);

}  // namespace corvane::report
