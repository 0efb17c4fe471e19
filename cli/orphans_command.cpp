// corvane orphans: leftovers of apps that are no longer installed, grouped by the app they seem to belong
// to, with the evidence for each and the notes shown above the list.

#include <optional>
#include <ostream>

#include "cli/commands.h"
#include "cli/location_access.h"
#include "cli/orphan_remove.h"
#include "cli/orphan_state.h"
#include "cli/progress.h"
#include "cli/terminal_text.h"
#include "corvane/orphans/orphan_scan_session.h"
#include "report/orphan_groups.h"

namespace corvane::cli {

namespace {

int orphans(const ParsedArguments& args, Context& context) {
  if (!applyScope(args, context, "orphans")) return kExitUsage;
  if (!args.positional.empty()) {
    if (args.positional[0] == "remove") return removeOrphans(args, context);
    context.err << "corvane orphans: unknown sub-command " << args.positional[0] << " (usage: corvane " << context.usage
                << ")\n";
    return kExitUsage;
  }
  for (const char* option : {"--select", "--dry-run", "--yes"})
    if (args.has(option) || args.value(option)) {
      context.err << "corvane orphans: " << option << " goes with orphans remove (usage: corvane " << context.usage
                  << ")\n";
      return kExitUsage;
    }
  const bool asJSON = args.has("--json");
  report::OrphanGroupsJSON json(context.out);
  report::OrphanGroupsText text(context.out, {context.shown(), context.terminal.colour, forTerminal});
  // The progress line is cleared before the first group is printed.
  std::optional<ScanProgress> progress(std::in_place, context.err, context.terminal.progress && !asJSON,
                                       std::chrono::steady_clock::now, std::chrono::seconds(1), "Scanning");
  OrphanScanSession::Options options{[&progress](std::uint64_t examined) { progress->report(examined); }, {}};
  const OrphanScanResult result = OrphanScanSession(context.layout, std::move(options)).scan([&](OrphanGroup&& group) {
    progress.reset();
    asJSON ? json.add(group) : text.add(group);
  });
  progress.reset();
  if (reportIncompleteScan(result.unreadableApplicationFolders, context, "orphans", "nothing is listed"))
    return kExitFailure;
  if (asJSON) {
    json.finish(encodeStoreStatus(result.backgroundItemStoreStatus));
  } else {
    text.finish();
    printUnreadLocations(context.out, context.layout);
  }
  return kExitOK;
}

}  // namespace

Command orphansCommand() {
  Command c;
  c.name = "orphans";
  c.usage = "orphans [remove KEY|ID... [--select probable|all] [--dry-run] [--yes]] [--json] [--scope UUID]";
  c.summary = "Lists leftovers of apps that are no longer installed, with the evidence for each; remove moves the "
              "groups or items you name to the Trash, after confirming, and records it in the history.";
  c.options.flags = {"--json", "--dry-run", "--yes"};
  c.options.values = {"--scope", "--select"};
  c.options.maxPositional = 4096;
  c.options.layout = true;
  c.run = orphans;
  c.words = {"remove"};
  c.optionDocs = {
      {"--json", "", "prints the groups and the background-items store's status as JSON (remove: the record, or the "
                     "selection with --dry-run); see docs/json.md", {}},
      {"--scope", "UUID", "reads the background items of this login scope (default: the current user's)", {}},
      {"--select", "TIER",
       "remove: what a named group gives: probable (its Probably Leftover items; the default) or all (its items to "
       "review too); an item named by its id is taken whatever its tier",
       {"probable", "all"}},
      {"--dry-run", "", "remove: lists what would move, and moves nothing", {}},
      {"--yes", "", "remove: moves without asking first", {}},
  };
  return c;
}

}  // namespace corvane::cli
