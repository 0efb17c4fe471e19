// corvane history: lists the uninstall history, shows one uninstall in detail, deletes one or clears all.

#include <algorithm>
#include <ostream>

#include "cli/commands.h"
#include "report/json_dialect.h"
#include "cli/snapshot_text.h"
#include "cli/finding_sizes.h"
#include "cli/history_side_file.h"
#include "cli/prompt.h"
#include "corvane/history/history_store.h"
#include "corvane/model/json_forms.h"

namespace corvane::cli {

namespace {

const char* const kUsage = "history [show ID | delete ID | clear [--dry-run] [--yes]] [--json]";

std::string countOf(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "2 items", or "1 of 2 items" when some did not move.
std::string movedCount(const UninstallRecord& r) {
  const std::size_t moved = static_cast<std::size_t>(r.succeededCount());
  if (moved == r.operations.size()) return countOf(moved, "item", "items");
  return std::to_string(moved) + " of " + countOf(r.operations.size(), "item", "items");
}

std::string movedSummary(const UninstallRecord& r) { return movedCount(r) + " moved to the Trash";
}

void printList(const HistoryStore& store, Context& c) {
  if (store.records().empty()) {
    c.out << "The history is empty.\n";
    return;
  }
  for (const auto& r : store.records())
    c.out << date::iso8601(r.createdAt) << " · " << r.identity.name << " · " << movedSummary(r) << " · "
          << r.id.toString() << "\n";
}

void printSnapshotLine(const char* label, const std::optional<AnalysisSnapshot>& snapshot, Context& c) {
  c.out << label << ": ";
  if (!snapshot) {
    c.out << "none\n";
    return;
  }
  c.out << date::iso8601(snapshot->createdAt) << ", " << countOf(snapshot->findings.size(), "finding", "findings")
        << "\n";
}

void printRecord(const UninstallRecord& r, const std::string& historyFile, Context& c) {
  const AppIdentity& id = r.identity;
  c.out << "Uninstall " << r.id.toString() << "\n";
  c.out << "Date: " << date::iso8601(r.createdAt) << "\n";
  c.out << "App: " << id.name << "\n";
  if (id.bundleIdentifier) c.out << "Bundle identifier: " << *id.bundleIdentifier << "\n";
  if (id.signingIdentifier) c.out << "Signing identifier: " << *id.signingIdentifier << "\n";
  if (id.teamIdentifier) c.out << "Team identifier: " << *id.teamIdentifier << "\n";
  c.out << "Location: " << displayPath(r.preRemovalSnapshot.appURL, c.shown()) << "\n";
  c.out << "Moved to the Trash: " << movedCount(r) << "\n";
  if (auto freed = recalledFreed(historyFile, r.id.toString())) c.out << "Freed: " << formatTotal(*freed) << "\n";
  c.out << "Operations:" << (r.operations.empty() ? " none" : "") << "\n";
  for (const auto& op : r.operations) {
    if (op.succeeded) {
      c.out << "  moved  " << op.originalURL.path();
      if (op.trashedURL) c.out << " -> " << op.trashedURL->path();
    } else {
      c.out << "  failed " << op.originalURL.path();
      if (op.errorDescription) c.out << ": " << *op.errorDescription;
      if (op.failureReason) c.out << " (" << rawValue(*op.failureReason) << ")";
    }
    c.out << "\n";
  }
  if (!r.backgroundServiceOperations) {
    c.out << "Background services: none recorded\n";
  } else {
    c.out << "Background services:" << (r.backgroundServiceOperations->empty() ? " none" : "") << "\n";
    for (const auto& s : *r.backgroundServiceOperations) {
      c.out << "  " << s.serviceIdentifier << ": " << (s.paused ? "paused" : "not paused") << " ("
            << (s.wasRegistered ? "was registered" : "was not registered") << ")";
      if (s.errorDescription) c.out << ": " << *s.errorDescription;
      c.out << "\n";
    }
  }
  printSnapshotLine("Analysis after removal", r.postRemovalSnapshot, c);
  printSnapshotLine("Follow-up analysis", r.followUpSnapshot, c);
  // Restores are kept beside the history by `corvane restore`.
  const nlohmann::json restores = readSideFile(historyFile, "restores")[r.id.toString()];
  if (restores.is_array())
    for (const auto& restore : restores)
      if (restore.is_object() && restore.value("restoredAt", nlohmann::json()).is_string() &&
          restore.value("summary", nlohmann::json()).is_string())
        c.out << "Restored: " << restore["restoredAt"].get<std::string>() << ": " << restore["summary"].get<std::string>()
              << "\n";
}

const UninstallRecord* findRecord(const HistoryStore& store, const std::string& text) {
  auto id = Uuid::parse(text);
  if (!id) return nullptr;
  const auto& records = store.records();
  auto it = std::find_if(records.begin(), records.end(), [&](const UninstallRecord& r) { return r.id == *id; });
  return it == records.end() ? nullptr : &*it;
}

int runHistory(const ParsedArguments& args, Context& c) {
  const std::string sub = args.positional.empty() ? "" : args.positional[0];
  const bool takesID = sub == "show" || sub == "delete";
  const std::size_t wanted = sub.empty() ? 0 : takesID ? 2 : 1;
  if (!sub.empty() && !takesID && sub != "clear") {
    c.err << "corvane history: unknown sub-command " << sub << " (usage: corvane " << c.usage << ")\n";
    return kExitUsage;
  }
  if (args.positional.size() != wanted) {
    c.err << "corvane history: " << (args.positional.size() < wanted ? "missing argument" : "unexpected argument")
          << " (usage: corvane " << c.usage << ")\n";
    return kExitUsage;
  }
  if ((args.has("--yes") || args.has("--dry-run")) && sub != "clear") {
    c.err << "corvane history: --yes and --dry-run apply to clear (usage: corvane " << c.usage << ")\n";
    return kExitUsage;
  }
  if (args.has("--json") && sub != "" && sub != "show") {
    c.err << "corvane history: --json applies to the list and to show (usage: corvane " << c.usage << ")\n";
    return kExitUsage;
  }
  const Layout& layout = c.layout;
  if (layout.home.empty()) {
    c.err << "corvane history: no home folder (pass --home DIR)\n";
    return kExitFailure;
  }

  const std::string label = sub.empty() ? "corvane history" : "corvane history " + sub;
  HistoryStore store(HistoryFileManager::system(), layout);
  if (store.fileIsUnreadable())
    c.err << label << ": the history file " << store.fileURL().path()
          << " could not be read; it will be kept aside before the next change\n";

  if (sub.empty()) {
    if (args.has("--json")) {
      report::printJSON(c.out, json::encode(store.records()));
    } else {
      printList(store, c);
    }
    return kExitOK;
  }
  if (sub == "clear") {
    const std::size_t count = store.records().size();
    if (count == 0) {
      c.out << "The history is already empty.\n";
      return kExitOK;
    }
    // Clearing forgets where every uninstalled item went, and with it the way to restore them.
    const std::string what = countOf(count, "uninstall", "uninstalls");
    if (args.has("--dry-run")) {
      c.out << "Would clear the history (" << what << "). Dry run: nothing was changed.\n";
      return kExitOK;
    }
    if (!args.has("--yes")) {
      c.out << "Clear the history (" << what << ")? Their items can then no longer be restored with corvane restore. "
               "[y/N] " << std::flush;
      if (!answeredYes(c.in)) {
        c.out << "Cancelled. Nothing was cleared.\n";
        return kExitFailure;
      }
    }
    Status cleared = store.clear();
    // Read the file again to be sure of what it now holds.
    HistoryStore check(HistoryFileManager::system(), store.fileURL());
    if (!cleared.has_value() || !check.records().empty() || check.fileIsUnreadable()) {
      c.err << label << ": could not write the history file " << store.fileURL().path() << "\n";
      return kExitFailure;
    }
    c.out << "Cleared the history (" << countOf(count, "uninstall", "uninstalls") << ").\n";
    return kExitOK;
  }

  const std::string& idText = args.positional[1];
  const UninstallRecord* record = findRecord(store, idText);
  if (!record) {
    c.err << label << ": no uninstall with id " << idText << " in the history\n";
    return kExitFailure;
  }
  if (sub == "show") {
    if (args.has("--json"))
      report::printJSON(c.out, json::encode(*record));
    else
      printRecord(*record, store.fileURL().path(), c);
    return kExitOK;
  }

  const UninstallRecord removed = *record;
  Status deleted = store.remove(removed.id);
  HistoryStore check(HistoryFileManager::system(), store.fileURL());
  if (!deleted.has_value() || findRecord(check, idText) || check.fileIsUnreadable()) {
    c.err << label << ": could not write the history file " << store.fileURL().path() << "\n";
    return kExitFailure;
  }
  c.out << "Deleted uninstall " << removed.id.toString() << " (" << removed.identity.name << ", "
        << date::iso8601(removed.createdAt) << ").\n";
  return kExitOK;
}

}  // namespace

Command historyCommand() {
  Command command;
  command.name = "history";
  command.usage = kUsage;
  command.summary = "Lists the uninstall history; shows one uninstall, deletes one, or clears them all.";
  command.options.flags = {"--json", "--yes", "--dry-run"};
  command.options.maxPositional = 2;
  command.options.layout = true;
  command.run = runHistory;
  command.words = {"show", "delete", "clear"};
  command.operand = Operand::historyID;
  command.optionDocs = {
      {"--json", "", "the list and show: prints the records as JSON; see docs/json.md", {}},
      {"--dry-run", "", "clear: says how many uninstalls it would forget, and changes nothing", {}},
      {"--yes", "", "clear: clears without asking first", {}},
  };
  return command;
}

}  // namespace corvane::cli
