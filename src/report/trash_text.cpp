#include "report/trash_text.h"

#include <ostream>

#include "corvane/analysis/finding_ids.h"
#include "corvane/base/byte_count.h"
#include "corvane/base/url.h"
#include "corvane/trash/triage.h"

namespace corvane::report {

namespace {

const char* skipText(SkipReason reason) {
  switch (reason) {
    case SkipReason::unresolvable: return "unresolvable";
    case SkipReason::rootItself: return "rootItself";
    case SkipReason::outsideTrash: return "outsideTrash";
    case SkipReason::duplicateInPlan: return "duplicateInPlan";
    case SkipReason::notInTrashAfterRealpath: return "notInTrashAfterRealpath";
  }
  return "outsideTrash";
}

const char* skipSentence(SkipReason reason) {
  switch (reason) {
    case SkipReason::unresolvable: return "it cannot be found";
    case SkipReason::rootItself: return "it is a Trash folder itself";
    case SkipReason::outsideTrash: return "it is not inside a Trash folder";
    case SkipReason::duplicateInPlan: return "it is already in the plan";
    case SkipReason::notInTrashAfterRealpath: return "it leads out of the Trash";
  }
  return "it is not inside a Trash folder";
}

const char* blockerText(BlockerKind::Kind kind) {
  switch (kind) {
    case BlockerKind::Kind::runningApp: return "runningApp";
    case BlockerKind::Kind::userLocked: return "userLocked";
    case BlockerKind::Kind::systemImmutable: return "systemImmutable";
    case BlockerKind::Kind::busy: return "busy";
    case BlockerKind::Kind::permission: return "permission";
  }
  return "permission";
}

const char* kindText(ItemOutcome::Kind kind) {
  switch (kind) {
    case ItemOutcome::Kind::deleted: return "deleted";
    case ItemOutcome::Kind::wouldDelete: return "wouldDelete";
    case ItemOutcome::Kind::alreadyGone: return "alreadyGone";
    case ItemOutcome::Kind::blocked: return "blocked";
    case ItemOutcome::Kind::skippedUnsafe: return "skippedUnsafe";
    case ItemOutcome::Kind::failed: return "failed";
  }
  return "failed";
}

const char* modeText(DeleteMode mode) {
  switch (mode) {
    case DeleteMode::normalEmpty: return "normalEmpty";
    case DeleteMode::forceEmpty: return "forceEmpty";
    case DeleteMode::deleteSelection: return "deleteSelection";
  }
  return "deleteSelection";
}

std::string blockerSentence(const BlockerKind& blocker) {
  switch (blocker.kind) {
    case BlockerKind::Kind::runningApp: return "it is in use by " + blocker.bundleId;
    case BlockerKind::Kind::userLocked: return "it is locked (add --force to delete it anyway)";
    case BlockerKind::Kind::systemImmutable: return "it is owned or locked by the system (run as the administrator)";
    case BlockerKind::Kind::busy: return "it is in use";
    case BlockerKind::Kind::permission: return "permission denied";
  }
  return "permission denied";
}

std::string padded(const std::string& text, std::size_t width) {
  return text.size() < width ? std::string(width - text.size(), ' ') : std::string(1, ' ');
}

}  // namespace

std::string laneName(TriageLane lane, bool colour) {
  const std::string name = triage::label(lane);
  if (!colour) return name;
  const char* code = lane == TriageLane::safeToPurge ? "32" : lane == TriageLane::review ? "33" : "31";
  return std::string("\033[") + code + "m" + name + "\033[0m";
}

void printRow(std::ostream& out, const LeftoverRow& row, const Layout& layout, Date now, bool colour) {
  const std::string size = row.sizeText();
  out << "  " << laneName(row.triageLane, colour) << padded(triage::label(row.triageLane), 14) << size
      << padded(size, 10) << row.name << (row.isDirectory ? "/" : "") << "\n";
  out << "      " << row.kindLabel << " · " << row.dateText(now);
  if (row.originalLocation) out << " · from " << FindingIDs::macStylePath(Url::fileURL(*row.originalLocation).path(), layout);
  if (row.isRootOwned) out << " · owned by the system";
  out << "\n";
  if (row.triageReasons.empty()) return;
  out << "      ";
  for (std::size_t i = 0; i < row.triageReasons.size(); ++i) out << (i ? " · " : "") << row.triageReasons[i];
  out << "\n";
}

json::Json rowJSON(const LeftoverRow& row, Date now) {
  auto optional = [](const auto& value) { return value ? json::Json(*value) : json::Json(nullptr); };
  return json::Json{{"id", row.id},
                    {"name", row.name},
                    {"path", row.path},
                    {"kindSymbol", row.kindSymbol},
                    {"kindLabel", row.kindLabel},
                    {"sizeBytes", optional(row.sizeBytes)},
                    {"sizeText", row.sizeText()},
                    {"isDirectory", row.isDirectory},
                    {"dateTrashed", row.dateTrashed ? json::Json(date::iso8601(*row.dateTrashed)) : json::Json(nullptr)},
                    {"dateText", row.dateText(now)},
                    {"originalPath", optional(row.originalLocation)},
                    {"isRootOwned", row.isRootOwned},
                    {"triageLane", triage::rawValue(row.triageLane)},
                    {"triageReasons", row.triageReasons}};
}

void printTrashListing(std::ostream& out, const std::vector<LeftoverRow>& rows, const Layout& layout, Date now,
                       bool colour) {
  const LeftoversResult shown{rows};
  out << countLabel(shown.totalTrashItems(), "item") << " in the Trash · " << byteCount::fileSize(shown.totalBytes());
  if (shown.rootOwnedCount() > 0) out << " · " << shown.rootOwnedCount() << " owned by the system";
  out << "\n";
  for (const auto& row : rows) printRow(out, row, layout, now, colour);
}

std::string outcomeLine(const ItemOutcome& o) {
  const std::string name = TrashSession::trashName(o.path);
  switch (o.kind) {
    case ItemOutcome::Kind::deleted: return "Deleted " + name + " (" + byteCount::fileSize(o.bytes) + ")";
    case ItemOutcome::Kind::wouldDelete: return "Would delete " + name + " (" + byteCount::fileSize(o.bytes) + ")";
    case ItemOutcome::Kind::alreadyGone: return "Already gone: " + name;
    case ItemOutcome::Kind::blocked: return "Not deleted: " + name + ": " + blockerSentence(o.blocker);
    case ItemOutcome::Kind::skippedUnsafe:
      return "Skipped: " + o.path + " is not safely inside a Trash folder (" + skipText(o.skip) + ")";
    case ItemOutcome::Kind::failed:
      return "Failed: " + name + ": " + o.note + (o.error ? " (errno " + std::to_string(o.error) + ")" : "");
  }
  return "";
}

json::Json itemOutcomeJSON(const ItemOutcome& o) {
  json::Json doc = {{"kind", kindText(o.kind)}, {"path", o.path}};
  switch (o.kind) {
    case ItemOutcome::Kind::deleted:
    case ItemOutcome::Kind::wouldDelete: doc["sizeBytes"] = o.bytes; break;
    case ItemOutcome::Kind::blocked:
      doc["blocker"] = blockerText(o.blocker.kind);
      if (o.blocker.kind == BlockerKind::Kind::runningApp) doc["bundleIdentifier"] = o.blocker.bundleId;
      break;
    case ItemOutcome::Kind::skippedUnsafe: doc["skip"] = skipText(o.skip); break;
    case ItemOutcome::Kind::failed:
      doc["errno"] = o.error;
      doc["note"] = o.note;
      break;
    case ItemOutcome::Kind::alreadyGone: break;
  }
  return doc;
}

void printDeletePlan(std::ostream& out, const TrashPlan& plan) {
  out << "Delete for good: " << countLabel(plan.counts.admittedCount, "item") << " · "
      << byteCount::fileSize(plan.deletion.totalAdmittedBytes());
  if (plan.deletion.unmeasuredCount() > 0) out << " (" << plan.deletion.unmeasuredCount() << " not measured)";
  out << "\n";
  for (const auto& item : plan.deletion.items) {
    if (item.admitted)
      out << "  " << item.candidate.path << (item.needsForce && !plan.request.force ? " (locked: needs --force)" : "")
          << "\n";
    else
      out << "  skipped " << item.candidate.path << ": " << skipSentence(item.skip.value_or(SkipReason::outsideTrash))
          << "\n";
  }
  for (const auto& path : plan.unsafe)
    out << "  skipped " << path << ": " << skipSentence(SkipReason::notInTrashAfterRealpath) << "\n";
  for (const auto& path : plan.missing) out << "  already gone " << path << "\n";
}

std::string deleteQuestion(const TrashPlan& plan) {
  const std::string items = countLabel(plan.counts.admittedCount, "item");
  if (plan.confirmation == TrashConfirmation::typedPhrase)
    return "This deletes " + items + " for good. Type \"" + plan.phrase() + "\" to go on: ";
  return "Delete " + items + " for good? This cannot be undone. [y/N] ";
}

void printDeleteResult(std::ostream& out, const TrashResult& result) {
  const DeleteReport& report = result.deletion;
  for (const auto& o : report.outcomes) out << "  " << outcomeLine(o) << "\n";
  out << (report.dryRun ? "Would free " : "Freed ") << byteCount::fileSize(report.bytesReclaimed()) << " ("
      << countLabel(report.clearedCount(), "item") << (report.dryRun ? "" : " cleared") << ").\n";
}

json::Json deleteJSON(const TrashPlan& plan, const TrashResult& result) {
  json::Json doc = {{"mode", modeText(result.deletion.mode)},
                    {"dryRun", result.deletion.dryRun},
                    {"admitted", plan.counts.admittedCount},
                    {"bytesReclaimed", result.deletion.bytesReclaimed()},
                    {"requiresTypedPhrase", plan.counts.requiresTypedPhrase},
                    {"outcomes", json::Json::array()}};
  for (const auto& o : result.deletion.outcomes) doc["outcomes"].push_back(itemOutcomeJSON(o));
  return doc;
}

}  // namespace corvane::report
