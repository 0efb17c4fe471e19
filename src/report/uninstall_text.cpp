#include "report/uninstall_text.h"

#include <cerrno>
#include <cstring>
#include <ostream>

#include "corvane/trash/delete_plan.h"

namespace corvane::report {

std::string planRefusal(const UninstallPlan& plan) {
  switch (plan.kind) {
    case UninstallPlan::Kind::noApplication: return "no application at " + plan.appURL.path();
    case UninstallPlan::Kind::notSelectable:
      return plan.refused + " is not a selectable item of " + plan.application.name +
             " (see corvane uninstall APP --select all --dry-run). Nothing was moved.";
    case UninstallPlan::Kind::ready:
    case UninstallPlan::Kind::nothingSelected: return "";
  }
  return "";
}

std::string uninstallQuestion(const UninstallPlan& plan) {
  return "Uninstall " + plan.appURL.path() + ": move " + countLabel(static_cast<long long>(plan.selected.size()), "item") +
         " to the Trash? [y/N] ";
}

std::string historyUnavailable(const Error& error, const std::string& historyFile) {
  if (error.code == EWOULDBLOCK)
    return "another Corvane process has held the history file " + historyFile +
           " for too long; nothing was moved. Try again when it has finished.";
  return "cannot write the history file " + historyFile + " (" + error.describe() + "); nothing was moved.";
}

std::string notRecorded(const Error& error, const std::string& historyFile) {
  return "could not record this uninstall in the history file " + historyFile + ": " +
         (error.code != 0 ? std::string(std::strerror(error.code)) : error.message);
}

void printBackgroundServices(std::ostream& out, const UninstallRecord& record) {
  const auto& services = record.backgroundServiceOperations;
  if (!services || services->empty()) return;
  out << "Background services:\n";
  for (const auto& s : *services) {
    out << "  " << s.serviceIdentifier << ": "
        << (s.paused ? "paused" : s.wasRegistered ? "not paused" : "not registered, nothing to pause");
    if (s.errorDescription) out << ": " << *s.errorDescription;
    out << "\n";
  }
}

void printMoved(std::ostream& out, const UninstallResult& result, const std::string& freed) {
  const UninstallRecord& record = result.record;
  const auto succeeded = static_cast<long long>(record.succeededCount());
  const auto total = static_cast<long long>(record.operations.size());
  out << "Moved " << (succeeded == total ? countLabel(succeeded, "item") : std::to_string(succeeded) + " of " + countLabel(total, "item"))
      << " to the Trash (" << freed << "); ";
  if (result.kind == UninstallResult::Kind::recorded)
    out << "recorded in the history as " << record.id.toString() << ".\n";
  else
    out << "not recorded in the history.\n";
}

void printRemaining(std::ostream& out, const UninstallPlan& plan, const UninstallRecord& record) {
  const auto left = static_cast<long long>(record.postRemovalSnapshot ? record.postRemovalSnapshot->findings.size() : 0);
  if (left == 0)
    out << "Nothing of " << plan.application.name << " was found afterwards.\n";
  else
    out << countLabel(left, "item") << " of " << plan.application.name << (left == 1 ? " remains" : " remain")
        << " (see corvane analyze).\n";
}

}  // namespace corvane::report
