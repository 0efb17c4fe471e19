// corvane history: lists the uninstall history, shows one uninstall in detail, deletes one or clears all.

#include <algorithm>
#include <ostream>

#include "cli/commands.h"
#include "cli/prompt.h"
#include "corvane/history/history_facts.h"
#include "corvane/history/history_store.h"
#include "corvane/model/json_forms.h"
#include "report/history_report.h"
#include "report/json_dialect.h"

namespace corvane::cli {

namespace {

const char* const kUsage = "history [show ID | delete ID | clear [--dry-run] [--yes]] [--json]";

// The usage problem of the arguments, if any.
std::optional<std::string> usageProblem(const ParsedArguments& args, const std::string& sub) {
  const bool takesID = sub == "show" || sub == "delete";
  const std::size_t wanted = sub.empty() ? 0 : takesID ? 2 : 1;
  if (!sub.empty() && !takesID && sub != "clear") return "unknown sub-command " + sub;
  if (args.positional.size() != wanted)
    return args.positional.size() < wanted ? "missing argument" : "unexpected argument";
  if ((args.has("--yes") || args.has("--dry-run")) && sub != "clear") return "--yes and --dry-run apply to clear";
  if (args.has("--json") && sub != "" && sub != "show") return "--json applies to the list and to show";
  return std::nullopt;
}

// Clearing forgets where every uninstalled item went, and with it the way to restore them.
int clearHistory(const ParsedArguments& args, Context& c, HistoryStore& store, const std::string& label) {
  const std::size_t count = store.records().size();
  if (count == 0) {
    c.out << "The history is already empty.\n";
    return kExitOK;
  }
  const std::string what = report::countOf(count, "uninstall", "uninstalls");
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
  c.out << "Cleared the history (" << what << ").\n";
  return kExitOK;
}

int showOrDelete(const ParsedArguments& args, Context& c, HistoryStore& store, const std::string& label) {
  const std::string& idText = args.positional[1];
  const UninstallRecord* record = store.find(idText);
  if (!record) {
    c.err << label << ": no uninstall with id " << idText << " in the history\n";
    return kExitFailure;
  }
  if (args.positional[0] == "show") {
    const HistoryFacts facts(HistoryFileManager::system(), store.fileURL());
    if (args.has("--json"))
      report::printJSON(c.out, json::encode(*record));
    else
      c.out << report::historyRecordText(*record, facts.freed(record->id), facts.restores(record->id), c.shown());
    return kExitOK;
  }
  const UninstallRecord removed = *record;
  Status deleted = store.remove(removed.id);
  HistoryStore check(HistoryFileManager::system(), store.fileURL());
  if (!deleted.has_value() || check.find(idText) || check.fileIsUnreadable()) {
    c.err << label << ": could not write the history file " << store.fileURL().path() << "\n";
    return kExitFailure;
  }
  c.out << "Deleted uninstall " << removed.id.toString() << " (" << removed.identity.name << ", "
        << date::iso8601(removed.createdAt) << ").\n";
  return kExitOK;
}

int runHistory(const ParsedArguments& args, Context& c) {
  const std::string sub = args.positional.empty() ? "" : args.positional[0];
  if (auto problem = usageProblem(args, sub)) {
    c.err << "corvane history: " << *problem << " (usage: corvane " << c.usage << ")\n";
    return kExitUsage;
  }
  if (c.layout.home.empty()) {
    c.err << "corvane history: no home folder (pass --home DIR)\n";
    return kExitFailure;
  }
  const std::string label = sub.empty() ? "corvane history" : "corvane history " + sub;
  HistoryStore store(HistoryFileManager::system(), c.layout);
  if (store.fileIsUnreadable())
    c.err << label << ": the history file " << store.fileURL().path()
          << " could not be read; it will be kept aside before the next change\n";
  if (!sub.empty()) return sub == "clear" ? clearHistory(args, c, store, label) : showOrDelete(args, c, store, label);
  if (args.has("--json"))
    report::printJSON(c.out, json::encode(store.records()));
  else
    c.out << report::historyListText(store.records());
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
