#include "cli/restore_text.h"

#include <ostream>

#include "cli/snapshot_text.h"
#include "corvane/history/bulk_restore_summary.h"

namespace corvane::cli {

namespace {

const char* kindText(RestoreOutcome::Kind kind) {
  switch (kind) {
    case RestoreOutcome::Kind::restored: return "restored";
    case RestoreOutcome::Kind::rejected: return "rejected";
    case RestoreOutcome::Kind::copyFailed: return "copyFailed";
    case RestoreOutcome::Kind::sourceRemoveFailed: return "sourceRemoveFailed";
    case RestoreOutcome::Kind::failed: return "failed";
    case RestoreOutcome::Kind::sourceGone: return "sourceGone";
    case RestoreOutcome::Kind::destTaken: return "destTaken";
  }
  return "failed";
}

const char* rejectionText(RestoreRejection rejection) {
  switch (rejection) {
    case RestoreRejection::sourceNotInTrash: return "sourceNotInTrash";
    case RestoreRejection::destinationUntrusted: return "destinationUntrusted";
    case RestoreRejection::restoreIntoTrash: return "restoreIntoTrash";
    case RestoreRejection::destParentMissing: return "destParentMissing";
    case RestoreRejection::destParentNotDir: return "destParentNotDir";
    case RestoreRejection::destParentSymlink: return "destParentSymlink";
    case RestoreRejection::destNotWritable: return "destNotWritable";
    case RestoreRejection::noFreeName: return "noFreeName";
  }
  return "sourceNotInTrash";
}

}  // namespace

nlohmann::json outcomeJSON(const RestoreOutcome& outcome) {
  nlohmann::json doc = {{"kind", kindText(outcome.kind)}};
  switch (outcome.kind) {
    case RestoreOutcome::Kind::restored:
      doc["restoredPath"] = outcome.to;
      doc["strategy"] = outcome.strategy == RestoreStrategy::rename ? "rename" : "copyVerifyRemove";
      break;
    case RestoreOutcome::Kind::sourceRemoveFailed: doc["restoredPath"] = outcome.to; break;
    case RestoreOutcome::Kind::rejected: doc["rejection"] = rejectionText(outcome.rejection); break;
    case RestoreOutcome::Kind::copyFailed:
    case RestoreOutcome::Kind::failed: doc["note"] = outcome.note; break;
    case RestoreOutcome::Kind::sourceGone:
    case RestoreOutcome::Kind::destTaken: break;
  }
  return doc;
}

std::string restoreJSON(const std::vector<RestoreItemReport>& items,
                        const std::vector<BackgroundServiceRestoreOutcome>& services, const std::string& summary,
                        std::size_t notInTrash) {
  nlohmann::json doc = {{"items", nlohmann::json::array()}, {"services", nlohmann::json::array()}, {"summary", summary},
                        {"notInTrash", notInTrash}};
  for (const auto& item : items)
    doc["items"].push_back({{"name", item.name},
                            {"path", item.trashPath},
                            {"outcome", outcomeJSON(item.outcome)},
                            {"sentence", BulkRestoreSummary::single(item.outcome, item.name)}});
  for (const auto& s : services)
    doc["services"].push_back({{"label", s.label}, {"plistPath", s.plistPath}, {"enabled", s.enabled}, {"loaded", s.loaded}});
  return doc.dump(2);
}

void printRestore(std::ostream& out, const std::vector<RestoreItemReport>& items,
                  const std::vector<BackgroundServiceRestoreOutcome>& services, const std::string& summary,
                  const Layout& shown) {
  if (items.size() > 1)
    for (const auto& item : items)
      out << "  " << macStyleText(BulkRestoreSummary::single(item.outcome, item.name), shown) << "\n";
  out << macStyleText(summary, shown) << "\n";
  for (const auto& s : services) {
    out << (s.enabled && s.loaded ? "Turned on again: " : "Could not fully turn on again: ") << s.label << " (";
    out << (s.enabled ? "enabled" : "not enabled") << ", " << (s.loaded ? "loaded" : "not loaded") << ")\n";
  }
}

}  // namespace corvane::cli
