#pragma once
// The one sentence shown after items were put back from the Trash, for one item or many.

#include <string>
#include <utility>
#include <vector>

#include "corvane/history/restore.h"

namespace corvane {

// An item's name as the Trash shows it, and what putting it back did.
struct NamedRestoreOutcome {
  std::string name;
  RestoreOutcome outcome;

  bool operator==(const NamedRestoreOutcome&) const = default;
};

namespace BulkRestoreSummary {

std::string single(const RestoreOutcome& outcome, const std::string& name);
std::string message(const std::vector<NamedRestoreOutcome>& results);
// Restored, or restored with a copy left in the Trash.
bool isRestored(const RestoreOutcome& outcome);
// Some item was restored and its restored path ends in ".app" (any case).
bool restoredAnApplication(const std::vector<NamedRestoreOutcome>& results);

}  // namespace BulkRestoreSummary

}  // namespace corvane
