#include "report/restore_report.h"

#include "corvane/history/bulk_restore_summary.h"
#include "report/mac_style_text.h"

namespace corvane::report {

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

json::Json restoreOutcomeJSON(const RestoreOutcome& outcome) {
  json::Json doc = {{"kind", kindText(outcome.kind)}};
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

json::Json restoreJSON(const std::vector<RestoreItemResult>& items,
                       const std::vector<BackgroundServiceRestoreOutcome>& services, const std::string& summary,
                       std::size_t notInTrash) {
  json::Json doc = {{"items", json::Json::array()}, {"notInTrash", notInTrash}, {"services", json::Json::array()},
                    {"summary", summary}};
  for (const auto& item : items)
    doc["items"].push_back({{"name", item.name},
                            {"outcome", restoreOutcomeJSON(item.outcome)},
                            {"path", item.trashPath},
                            {"sentence", BulkRestoreSummary::single(item.outcome, item.name)}});
  for (const auto& s : services)
    doc["services"].push_back(
        {{"enabled", s.enabled}, {"label", s.label}, {"loaded", s.loaded}, {"plistPath", s.plistPath}});
  return doc;
}

json::Json restoreJSON(const RestoreSessionResult& result) {
  return restoreJSON(result.items, result.services, result.summary, result.notInTrash);
}

std::string restoreText(const std::vector<RestoreItemResult>& items,
                        const std::vector<BackgroundServiceRestoreOutcome>& services, const std::string& summary,
                        const Layout& shown) {
  std::string text;
  if (items.size() > 1)
    for (const auto& item : items)
      text += "  " + macStyleText(BulkRestoreSummary::single(item.outcome, item.name), shown) + "\n";
  text += macStyleText(summary, shown) + "\n";
  for (const auto& s : services) {
    text += (s.enabled && s.loaded ? "Turned on again: " : "Could not fully turn on again: ") + s.label + " (";
    text += std::string(s.enabled ? "enabled" : "not enabled") + ", " + (s.loaded ? "loaded" : "not loaded") + ")\n";
  }
  return text;
}

std::string restoreText(const RestoreSessionResult& result, const Layout& shown) {
  std::string text = restoreText(result.items, result.services, result.summary, shown);
  const std::size_t gone = result.notInTrash;
  if (gone > 0)
    text += std::to_string(gone) + (gone == 1 ? " other item is" : " other items are") + " no longer in the Trash.\n";
  return text;
}

std::string restorePlanProblem(const RestoreSessionPlan& plan) {
  switch (plan.kind) {
    case RestoreSessionPlan::Kind::ready: return "";
    case RestoreSessionPlan::Kind::noRecord: return "no uninstall with id " + plan.recordID + " in the history";
    case RestoreSessionPlan::Kind::nothingInTrash: break;
  }
  const std::size_t moved = plan.movedCount;
  return "nothing to put back: " +
         (moved == 0   ? std::string("this uninstall moved nothing to the Trash")
          : moved == 1 ? std::string("the item this uninstall moved is not in the Trash any more")
                       : "none of the " + std::to_string(moved) + " items this uninstall moved is in the Trash any more");
}

}  // namespace corvane::report
