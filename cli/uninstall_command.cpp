// corvane uninstall APP --select ...: moves an app and the leftovers the user selects to the Trash, and
// remembers the uninstall in the history.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/accepted_names.h"
#include "cli/commands.h"
#include "report/json_dialect.h"
#include "cli/prompt.h"
#include "cli/finding_sizes.h"
#include "cli/progress.h"
#include "cli/snapshot_text.h"
#include "corvane/analysis/finding_ids.h"
#include "corvane/removal/background_service_controller.h"
#include "corvane/history/history_store.h"
#include "corvane/model/json_forms.h"
#include "corvane/uninstall/uninstall_session.h"

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

std::string items(std::size_t n) { return std::to_string(n) + (n == 1 ? " item" : " items"); }

void printSelection(std::ostream& out, const std::vector<FileFinding>& selected, const Layout& layout,
                    const FindingSizes& sizes, bool colour) {
  for (const auto& f : selected) {
    out << "  " << FindingIDs::shortForm(f.id) << "  " << tierName(f.confidence, colour) << " · " << stringValue(f.kind) << " · "
        << formatFindingTotal(f, sizes) << "  " << displayPath(f.url, layout) << "\n";
  }
}

std::vector<const FileFinding*> pointers(const std::vector<FileFinding>& findings) {
  std::vector<const FileFinding*> all;
  for (const auto& f : findings) all.push_back(&f);
  return all;
}

// The selected findings whose items were moved.
std::vector<const FileFinding*> moved(const std::vector<FileFinding>& selected, const UninstallRecord& record) {
  std::vector<const FileFinding*> found;
  for (const auto& f : selected)
    for (const auto& op : record.operations)
      if (op.succeeded && op.originalURL.standardized() == f.url.standardized()) {
        found.push_back(&f);
        break;
      }
  return found;
}

void printOutcome(std::ostream& out, const UninstallRecord& record, const Layout& layout) {
  const auto& services = record.backgroundServiceOperations;
  if (services && !services->empty()) out << "Background services:\n";
  for (const auto& s : services.value_or(std::vector<BackgroundServiceOperation>{})) {
    out << "  " << s.serviceIdentifier << ": "
        << (s.paused ? "paused" : s.wasRegistered ? "not paused" : "not registered, nothing to pause");
    if (s.errorDescription) out << ": " << *s.errorDescription;
    out << "\n";
  }
  printTrashOperations(out, record.operations, layout);
}

bool confirmed(Context& context, std::ostream& text, std::size_t count, const std::string& appPath) {
  text << "Uninstall " << appPath << ": move " << items(count) << " to the Trash? [y/N] " << std::flush;
  return answeredYes(context.in);
}

int uninstall(const ParsedArguments& args, Context& context) {
  auto selectText = args.value("--select");
  if (!selectText) {
    context.err << "corvane uninstall: --select is required: nothing is selected until you choose (usage: corvane "
                << context.usage << ")\n";
    return kExitUsage;
  }
  auto selection = parseSelect(*selectText);
  if (!selection) {
    context.err << "corvane uninstall: --select takes safe, probable, all or finding ids separated by commas, not "
                << *selectText << "\n";
    return kExitUsage;
  }
  selection->keepApplication = args.has("--keep-app");
  const bool asJSON = args.has("--json");
  // With --json only the record (or the selection) goes to the output; everything for people goes to
  // the error stream.
  std::ostream& text = asJSON ? context.err : context.out;
  const Layout& layout = context.layout;
  const Layout shown = context.shown();

  HistoryStore history(HistoryFileManager::system(), layout);
  UninstallOptions options;
  options.launchctl = args.value("--launchctl").value_or(std::string(kLaunchctlPath));
  options.assignFindingIDs = [&layout](AnalysisSnapshot& snapshot) { FindingIDs::assign(snapshot, layout); };
  options.baseRulesOnly = args.has("--base-rules-only");
  UninstallSession session(layout, UninstallCollaborators::system(layout), history, options);

  UninstallPlan plan = session.prepare(Url::fileURL(args.positional[0]), *selection);
  if (plan.kind == UninstallPlan::Kind::noApplication) {
    context.err << "corvane uninstall: no application at " << plan.appURL.path() << "\n";
    return kExitFailure;
  }
  if (plan.kind == UninstallPlan::Kind::notSelectable) {
    context.err << "corvane uninstall: " << plan.refused << " is not a selectable item of "
                << plan.application.name
                << " (see corvane uninstall APP --select all --dry-run). Nothing was moved.\n";
    return kExitFailure;
  }

  printSnapshotHeader(text, plan.before, shown);
  if (plan.kind == UninstallPlan::Kind::nothingSelected) {
    text << "Nothing to move: no selectable item matches --select " << *selectText << ".\n";
    if (asJSON && args.has("--dry-run")) report::printJSON(context.out, json::Json::array());
    return kExitOK;
  }
  FindingSizes sizes;
  {
    ScanProgress progress(context.err, context.terminal.progress && !asJSON);
    sizes = rollUpFindingSizes(plan.selected, progress.callback());
  }
  text << "To move to the Trash (" << items(plan.selected.size()) << ", " << formatTotal(totalOf(pointers(plan.selected), sizes))
       << "):\n";
  printSelection(text, plan.selected, shown, sizes, context.terminal.colour && !asJSON);

  if (args.has("--dry-run")) {
    text << "Dry run: nothing was moved.\n";
    if (asJSON) {
      report::printJSON(context.out, json::encode(plan.selected));
    }
    return kExitOK;
  }
  if (!args.has("--yes") && !confirmed(context, text, plan.selected.size(), plan.appURL.path())) {
    text << "Cancelled. Nothing was moved.\n";
    return kExitFailure;
  }

  UninstallResult result = session.perform(plan);
  if (result.kind == UninstallResult::Kind::historyUnavailable) {
    const Error& error = *result.historyError;
    context.err << "corvane uninstall: "
                << (error.code == EWOULDBLOCK ? "another Corvane process has held the history file " +
                                                    history.fileURL().path() +
                                                    " for too long; nothing was moved. Try again when it has finished.\n"
                                              : "cannot write the history file " + history.fileURL().path() + " (" +
                                                    error.describe() + "); nothing was moved.\n");
    return kExitFailure;
  }
  const UninstallRecord& record = result.record;
  printOutcome(text, record, shown);
  const SizeTotal freed = totalOf(moved(plan.selected, record), sizes);
  const std::size_t succeeded = static_cast<std::size_t>(record.succeededCount());
  text << "Moved " << (succeeded == record.operations.size() ? items(succeeded)
                                                             : std::to_string(succeeded) + " of " + items(record.operations.size()))
       << " to the Trash (" << formatTotal(freed) << "); ";
  if (result.kind == UninstallResult::Kind::recorded) {
    rememberFreed(history.fileURL().path(), record.id.toString(), freed);
    text << "recorded in the history as " << record.id.toString() << ".\n";
  } else {
    text << "not recorded in the history.\n";
    const Error& error = *result.historyError;
    context.err << "corvane uninstall: could not record this uninstall in the history file "
                << history.fileURL().path() << ": "
                << (error.code != 0 ? std::string(std::strerror(error.code)) : error.message) << "\n";
  }
  std::size_t left = record.postRemovalSnapshot ? record.postRemovalSnapshot->findings.size() : 0;
  text << (left == 0 ? std::string("Nothing of ") + plan.application.name + " was found afterwards.\n"
                     : items(left) + " of " + plan.application.name + (left == 1 ? " remains" : " remain") +
                           " (see corvane analyze).\n");
  if (asJSON) report::printJSON(context.out, json::encode(record));
  if (result.kind != UninstallResult::Kind::recorded) return kExitFailure;
  return result.allMoved() ? kExitOK : kExitFailure;
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
