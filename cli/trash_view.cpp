#include "cli/trash_view.h"

#include <algorithm>
#include <ostream>
#include <set>

#include "cli/progress.h"
#include "cli/snapshot_text.h"
#include "corvane/base/byte_count.h"
#include "corvane/removal/trash_locator.h"
#include "corvane/removal/trash_safety.h"
#include "corvane/trash/leftovers_scanner.h"
#include "platform/directory.h"
#include "platform/fs_ops.h"

namespace corvane::cli {

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

}  // namespace

std::string trashName(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int trashUsageError(Context& c, const std::string& label, const std::string& problem) {
  c.err << label << ": " << problem << " (usage: corvane " << c.usage << ")\n";
  return kExitUsage;
}

std::optional<TrashState> scanTrash(Context& c, const std::string& label, bool showProgress) {
  HistoryStore history(HistoryFileManager::system(), c.layout);
  TrashState state{{}, historyOrigins(history.records())};
  LeftoversScanState scan;
  {
    ScanProgress progress(c.err, c.terminal.progress && showProgress, std::chrono::steady_clock::now,
                          std::chrono::seconds(1), "Listing the Trash");
    LeftoversScanner::Collaborators machine;
    machine.scanFolder = [scanner = TrashScanner(std::make_shared<CountingFileSystem>(platform::sharedRealFileSystem(),
                                                                                      progress))](const std::string& folder) {
      return scanner.scan(folder);
    };
    scan = LeftoversScanner(c.layout, std::move(machine)).scan(state.origins);
  }
  if (scan.kind != LeftoversScanState::Kind::scanned) {
    c.err << label << ": the Trash folder " << c.layout.userTrash() << " cannot be read (no permission)\n";
    return std::nullopt;
  }
  state.rows = std::move(scan.result.rows);
  return state;
}

std::optional<TrashSelection> selectTrashItems(const std::vector<std::string>& paths, const TrashState& state,
                                               Context& c, const std::string& label, int& status) {
  std::set<std::string> seen;
  const std::vector<std::string> roots = TrashLocator(c.layout).discoverTrashRoots();
  for (const auto& path : paths) {
    if (!seen.insert(path).second) {
      status = trashUsageError(c, label, path + " is given twice");
      return std::nullopt;
    }
    if (!TrashSafety::isInsideAnyTrash(path, roots)) {
      c.err << label << ": " << path << " is not inside a Trash folder; nothing was changed\n";
      status = kExitFailure;
      return std::nullopt;
    }
  }
  TrashSelection selection;
  for (const auto& path : paths) {
    auto row = std::find_if(state.rows.begin(), state.rows.end(), [&](const LeftoverRow& r) { return r.path == path; });
    if (row != state.rows.end()) {
      selection.rows.push_back(*row);
      continue;
    }
    // Not a listed item: judged by where its folder really is, never by the text alone.
    const auto split = platform::splitPath(path);
    const auto parent = split ? TrashLocator::resolvedRealPath(split->parent) : std::nullopt;
    const bool inTrash = parent && (std::find(roots.begin(), roots.end(), *parent) != roots.end() ||
                                    TrashSafety::isInsideAnyTrash(*parent, roots));
    if (parent && !inTrash) {
      selection.unsafe.push_back(path);
    } else if (parent && platform::itemExists(path)) {
      LeftoverRow inner;
      inner.id = inner.path = path;
      inner.name = split->name;
      selection.rows.push_back(std::move(inner));
    } else {
      selection.missing.push_back(path);
    }
  }
  return selection;
}

HistoryOrigins historyOrigins(const std::vector<UninstallRecord>& newestFirst) {
  HistoryOrigins origins;
  for (auto record = newestFirst.rbegin(); record != newestFirst.rend(); ++record)
    for (const auto& op : record->operations)
      if (op.succeeded && op.trashedURL)
        origins[trashName(op.trashedURL->path())] = {op.originalURL.path(), record->createdAt};
  return origins;
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

std::string laneName(TriageLane lane, bool colour) {
  const std::string name = triage::label(lane);
  if (!colour) return name;
  const char* code = lane == TriageLane::safeToPurge ? "32" : lane == TriageLane::review ? "33" : "31";
  return std::string("\033[") + code + "m" + name + "\033[0m";
}

void printRow(std::ostream& out, const LeftoverRow& row, const Layout& layout, Date now, bool colour) {
  std::string lane = triage::label(row.triageLane);
  std::string size = row.sizeText();
  out << "  " << laneName(row.triageLane, colour) << std::string(lane.size() < 14 ? 14 - lane.size() : 1, ' ') << size
      << std::string(size.size() < 10 ? 10 - size.size() : 1, ' ') << row.name << (row.isDirectory ? "/" : "") << "\n";
  out << "      " << row.kindLabel << " · " << row.dateText(now);
  if (row.originalLocation) out << " · from " << displayPath(Url::fileURL(*row.originalLocation), layout);
  if (row.isRootOwned) out << " · owned by the system";
  out << "\n";
  if (!row.triageReasons.empty()) {
    out << "      ";
    for (std::size_t i = 0; i < row.triageReasons.size(); ++i) out << (i ? " · " : "") << row.triageReasons[i];
    out << "\n";
  }
}

std::string outcomeLine(const ItemOutcome& o) {
  const std::string name = trashName(o.path);
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

}  // namespace corvane::cli
