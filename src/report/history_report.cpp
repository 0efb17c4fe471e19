#include "report/history_report.h"

#include "corvane/analysis/finding_ids.h"
#include "report/size_text.h"

namespace corvane::report {

namespace {

// "2 items", or "1 of 2 items" when some did not move.
std::string movedCount(const UninstallRecord& r) {
  const std::size_t moved = static_cast<std::size_t>(r.succeededCount());
  if (moved == r.operations.size()) return countOf(moved, "item", "items");
  return std::to_string(moved) + " of " + countOf(r.operations.size(), "item", "items");
}

std::string snapshotLine(const char* label, const std::optional<AnalysisSnapshot>& snapshot) {
  if (!snapshot) return std::string(label) + ": none\n";
  return std::string(label) + ": " + date::iso8601(snapshot->createdAt) + ", " +
         countOf(snapshot->findings.size(), "finding", "findings") + "\n";
}

std::string operationLine(const TrashOperation& op) {
  std::string line;
  if (op.succeeded) {
    line = "  moved  " + op.originalURL.path();
    if (op.trashedURL) line += " -> " + op.trashedURL->path();
  } else {
    line = "  failed " + op.originalURL.path();
    if (op.errorDescription) line += ": " + *op.errorDescription;
    if (op.failureReason) line += " (" + std::string(rawValue(*op.failureReason)) + ")";
  }
  return line + "\n";
}

std::string servicesText(const UninstallRecord& r) {
  if (!r.backgroundServiceOperations) return "Background services: none recorded\n";
  std::string text = std::string("Background services:") + (r.backgroundServiceOperations->empty() ? " none" : "") + "\n";
  for (const auto& s : *r.backgroundServiceOperations) {
    text += "  " + s.serviceIdentifier + ": " + (s.paused ? "paused" : "not paused") + " (" +
            (s.wasRegistered ? "was registered" : "was not registered") + ")";
    if (s.errorDescription) text += ": " + *s.errorDescription;
    text += "\n";
  }
  return text;
}

}  // namespace

std::string countOf(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string historyListText(const std::vector<UninstallRecord>& records) {
  if (records.empty()) return "The history is empty.\n";
  std::string text;
  for (const auto& r : records)
    text += date::iso8601(r.createdAt) + " · " +
            (OrphanGroup::isPlaceholderAppURL(r.preRemovalSnapshot.appURL) ? "Leftovers of " : "") + r.identity.name +
            " · " + movedCount(r) + " moved to the Trash · " +
            r.id.toString() + "\n";
  return text;
}

std::string historyRecordText(const UninstallRecord& r, const std::optional<SizeTotal>& freed,
                              const std::vector<RestoreNote>& restores, const Layout& shown) {
  const AppIdentity& id = r.identity;
  const bool leftovers = OrphanGroup::isPlaceholderAppURL(r.preRemovalSnapshot.appURL);
  std::string text = (leftovers ? "Leftover removal " : "Uninstall ") + r.id.toString() +
                     "\nDate: " + date::iso8601(r.createdAt) + "\nApp: " + id.name + "\n";
  if (id.bundleIdentifier) text += "Bundle identifier: " + *id.bundleIdentifier + "\n";
  if (id.signingIdentifier) text += "Signing identifier: " + *id.signingIdentifier + "\n";
  if (id.teamIdentifier) text += "Team identifier: " + *id.teamIdentifier + "\n";
  text += leftovers ? "Location: none; the app was already gone\n"
                    : "Location: " + FindingIDs::macStylePath(r.preRemovalSnapshot.appURL.path(), shown) + "\n";
  text += "Moved to the Trash: " + movedCount(r) + "\n";
  if (freed) text += "Freed: " + formatTotal(*freed) + "\n";
  text += std::string("Operations:") + (r.operations.empty() ? " none" : "") + "\n";
  for (const auto& op : r.operations) text += operationLine(op);
  text += servicesText(r);
  text += snapshotLine("Analysis after removal", r.postRemovalSnapshot);
  text += snapshotLine("Follow-up analysis", r.followUpSnapshot);
  for (const auto& restore : restores)
    text += "Restored: " + date::iso8601(restore.restoredAt) + ": " + restore.summary + "\n";
  return text;
}

}  // namespace corvane::report
