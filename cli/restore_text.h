#pragma once
// How the tool shows items put back from the Trash: one sentence per item, the batch's summary, and the
// launch agents turned on again; or the same as JSON.

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "corvane/history/background_service_restorer.h"
#include "corvane/history/restore.h"
#include "corvane/model/layout.h"

namespace corvane::cli {

struct RestoreItemReport {
  std::string trashPath;
  std::string name;  // as the Trash shows it
  RestoreOutcome outcome;
};

// {"kind": "restored", "to": ..., "strategy": "rename"} and the like: only the fields of the kind.
nlohmann::json outcomeJSON(const RestoreOutcome& outcome);
std::string restoreJSON(const std::vector<RestoreItemReport>& items,
                        const std::vector<BackgroundServiceRestoreOutcome>& services, const std::string& summary,
                        std::size_t notInTrash);
// The sentences with their paths shown for `shown` (macStyleText).
void printRestore(std::ostream& out, const std::vector<RestoreItemReport>& items,
                  const std::vector<BackgroundServiceRestoreOutcome>& services, const std::string& summary,
                  const Layout& shown);

}  // namespace corvane::cli
