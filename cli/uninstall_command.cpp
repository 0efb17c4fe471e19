// corvane uninstall APP --select ...: moves an app and the leftovers the user selects to the Trash, and
// remembers the uninstall in the history.

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/accepted_names.h"
#include "cli/commands.h"
#include "cli/prompt.h"
#include "cli/snapshot_text.h"
#include "corvane/analysis/finding_ids.h"
#include "corvane/history/history_facts.h"
#include "corvane/history/history_store.h"
#include "corvane/model/json_forms.h"
#include "corvane/trash/delete_plan.h"
#include "corvane/uninstall/uninstall_session.h"
#include "report/json_dialect.h"
#include "report/scan_progress.h"
#include "report/size_text.h"
#include "report/uninstall_text.h"

namespace corvane::cli {

namespace {

constexpr const char* kUsage =
    "uninstall APP --select safe|probable|all|ID,... [--keep-app] [--dry-run] [--yes] [--json] [--launchctl PATH] "
    "[--base-rules-only]";

// What --select asks for: a tier keyword (in any case), or finding ids, whole or short, separated by commas.
std::optional<UninstallSelection> parseSelect(const std::string& text) {
  UninstallSelection selection;
  static const UninstallSelection::Tier kTiers[] = {UninstallSelection::Tier::safe, UninstallSelection::Tier::probable,
                                                    UninstallSelection::Tier::all};
  if (auto tier = acceptedIndex(text, {{"safe"}, {"probable"}, {"all"}})) {
    selection.tier = kTiers[*tier];
    return selection;
  }
  selection.tier = UninstallSelection::Tier::chosen;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string id(trimmed(std::string_view(text).substr(start, comma - start)));
    if (id.size() != 8 && !Uuid::parse(id)) return std::nullopt;
    if (id.find_first_not_of("0123456789abcdefABCDEF-") != std::string::npos) return std::nullopt;
    selection.idTexts.push_back(id);
    start = comma + 1;
  }
  return selection;
}

void printSelection(std::ostream& out, const std::vector<FileFinding>& selected, const Layout& layout,
                    const FindingSizes& sizes, bool colour) {
  for (const auto& f : selected) {
    out << "  " << FindingIDs::shortForm(f.id) << "  " << tierName(f.confidence, colour) << " · " << stringValue(f.kind) << " · "
        << report::formatFindingTotal(f, sizes) << "  " << displayPath(f.url, layout) << "\n";
  }
}

// The selected findings, or only those whose items were moved.
std::vector<const FileFinding*> findingsOf(const std::vector<FileFinding>& selected, const UninstallRecord* movedBy) {
  std::vector<const FileFinding*> found;
  for (const auto& f : selected)
    if (!movedBy || std::any_of(movedBy->operations.begin(), movedBy->operations.end(), [&](const TrashOperation& op) {
          return op.succeeded && op.originalURL.standardized() == f.url.standardized();
        }))
      found.push_back(&f);
  return found;
}

// What --select asks for; none, after saying why, when it is missing or not understood.
std::optional<UninstallSelection> selectionOf(const ParsedArguments& args, Context& context) {
  auto selectText = args.value("--select");
  if (!selectText) {
    context.err << "corvane uninstall: --select is required: nothing is selected until you choose (usage: corvane "
                << context.usage << ")\n";
    return std::nullopt;
  }
  auto selection = parseSelect(*selectText);
  if (!selection)
    context.err << "corvane uninstall: --select takes safe, probable, all or finding ids separated by commas, not "
                << *selectText << "\n";
  else
    selection->keepApplication = args.has("--keep-app");
  return selection;
}

UninstallOptions optionsOf(const ParsedArguments& args, const Layout& layout) {
  UninstallOptions options;
  options.launchctl = args.value("--launchctl").value_or(std::string(kLaunchctlPath));
  options.assignFindingIDs = [layout](AnalysisSnapshot& snapshot) { FindingIDs::assign(snapshot, layout); };
  options.baseRulesOnly = args.has("--base-rules-only");
  return options;
}

bool confirmed(Context& context, std::ostream& text, const UninstallPlan& plan) {
  text << report::uninstallQuestion(plan) << std::flush;
  return answeredYes(context.in);
}

// Moves the plan's items and says what happened; the record goes to the output with --json.
int perform(const UninstallSession& session, const UninstallPlan& plan, const FindingSizes& sizes,
            const std::string& historyFile, const ParsedArguments& args, Context& context) {
  std::ostream& text = args.has("--json") ? context.err : context.out;
  UninstallResult result = session.perform(plan);
  if (result.kind == UninstallResult::Kind::historyUnavailable) {
    context.err << "corvane uninstall: " << report::historyUnavailable(*result.historyError, historyFile) << "\n";
    return kExitFailure;
  }
  const UninstallRecord& record = result.record;
  report::printBackgroundServices(text, record);
  printTrashOperations(text, record.operations, context.shown());
  const SizeTotal freed = totalOf(findingsOf(plan.selected, &record), sizes);
  report::printMoved(text, result, report::formatTotal(freed));
  if (result.kind == UninstallResult::Kind::recorded)
    (void)HistoryFacts(HistoryFileManager::system(), Url::fileURL(historyFile)).rememberFreed(record.id, freed);
  else
    context.err << "corvane uninstall: " << report::notRecorded(*result.historyError, historyFile) << "\n";
  report::printRemaining(text, plan, record);
  if (args.has("--json")) report::printJSON(context.out, json::encode(record));
  return result.kind == UninstallResult::Kind::recorded && result.allMoved() ? kExitOK : kExitFailure;
}

int uninstall(const ParsedArguments& args, Context& context) {
  const auto selection = selectionOf(args, context);
  if (!selection) return kExitUsage;
  const bool asJSON = args.has("--json");
  // With --json only the record (or the selection) goes to the output; everything for people goes to
  // the error stream.
  std::ostream& text = asJSON ? context.err : context.out;
  HistoryStore history(HistoryFileManager::system(), context.layout);
  UninstallSession session(context.layout, UninstallCollaborators::system(context.layout), history,
                           optionsOf(args, context.layout));
  const UninstallPlan plan = session.prepare(Url::fileURL(args.positional[0]), *selection);
  if (const std::string refusal = report::planRefusal(plan); !refusal.empty()) {
    context.err << "corvane uninstall: " << refusal << "\n";
    return kExitFailure;
  }
  printSnapshotHeader(text, plan.before, context.shown());
  if (plan.kind == UninstallPlan::Kind::nothingSelected) {
    text << "Nothing to move: no selectable item matches --select " << *args.value("--select") << ".\n";
    if (asJSON && args.has("--dry-run")) report::printJSON(context.out, json::Json::array());
    return kExitOK;
  }
  FindingSizes sizes;
  {
    report::ScanProgress progress(context.err, context.terminal.progress && !asJSON);
    sizes = rollUpFindingSizes(plan.selected, progress.callback());
  }
  text << "To move to the Trash (" << countLabel(static_cast<long long>(plan.selected.size()), "item") << ", "
       << report::formatTotal(totalOf(findingsOf(plan.selected, nullptr), sizes)) << "):\n";
  printSelection(text, plan.selected, context.shown(), sizes, context.terminal.colour && !asJSON);
  if (args.has("--dry-run")) {
    text << "Dry run: nothing was moved.\n";
    if (asJSON) report::printJSON(context.out, json::encode(plan.selected));
    return kExitOK;
  }
  if (!args.has("--yes") && !confirmed(context, text, plan)) {
    text << "Cancelled. Nothing was moved.\n";
    return kExitFailure;
  }
  return perform(session, plan, sizes, history.fileURL().path(), args, context);
}

}  // namespace

Command uninstallCommand() {
  Command c;
  c.name = "uninstall";
  c.usage = kUsage;
  c.summary = "Moves an app and the leftovers you select to the Trash, after confirming, and records it in the history.";
  c.options.flags = {"--keep-app", "--dry-run", "--yes", "--json", "--base-rules-only"};
  c.options.values = {"--select", "--launchctl"};
  c.options.minPositional = 1;
  c.options.paths = {"--launchctl"};
  c.options.maxPositional = 1;
  c.options.positionalPaths = true;
  c.options.appArgument = true;
  c.options.layout = true;
  c.options.readsInstalledApps = true;
  c.run = uninstall;
  c.operand = Operand::app;
  c.optionDocs = {
      {"--select", "WHAT",
       "what to move: safe (the Safe to Remove items), probable (those and the Probably Leftover ones), all (every "
       "selectable item), or finding ids as analyze shows them (short or whole, separated by commas); required",
       {"safe", "probable", "all"}},
      {"--keep-app", "", "leaves the application bundle itself in place", {}},
      {"--dry-run", "", "shows what would move and moves nothing", {}},
      {"--yes", "", "moves without asking (otherwise it asks for a \"y\" on the terminal)", {}},
      {"--json", "", "prints the uninstall record as JSON (with --dry-run, the selected findings); see docs/json.md", {}},
      {"--launchctl", "PATH", "the launchctl that pauses the app's background services (default: /bin/launchctl)", {}},
      {"--base-rules-only", "", "matches with the base rules only, without the extended matching", {}},
  };
  return c;
}

}  // namespace corvane::cli
