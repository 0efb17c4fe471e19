// corvane leftover-check: the weekly look for new leftovers of removed apps, run by hand. Under the
// check's lock it scans, compares with what was reported before, prints the notification the app would
// post (nothing when nothing is new) and remembers what it reported.

#include <ostream>

#include "cli/commands.h"
#include "report/json_dialect.h"
#include "cli/terminal_text.h"
#include "cli/orphan_state.h"
#include "corvane/orphans/leftover_check_session.h"
#include "report/leftover_check_report.h"

namespace corvane::cli {

namespace {

int leftoverCheck(const ParsedArguments& args, Context& context) {
  if (!applyScope(args, context, "leftover-check")) return kExitUsage;
  const Layout& layout = context.layout;
  const LeftoverCheckSession session(LeftoverCheckStore(layout), {[&layout] { return scanOrphans(layout); }, &date::now});
  const LeftoverCheckStore& store = session.store();
  if (args.has("--reset")) {
    if (!session.reset()) {
      context.err << "corvane leftover-check: could not reset " << store.fileURL()
                  << " (another check holds its lock, or it could not be written).\n";
      return kExitFailure;
    }
    context.out << "The leftover check starts afresh: everything found next time is reported as new.\n";
    return kExitOK;
  }
  const LeftoverCheckResult result = session.perform(session.plan(args.has("--if-due")));
  switch (result.kind) {
    case LeftoverCheckResult::Kind::busy:
      context.err << "corvane leftover-check: another leftover check is running (it holds " << store.lockURL()
                  << "); nothing was done.\n";
      return kExitFailure;
    case LeftoverCheckResult::Kind::incompleteScan:
      reportIncompleteScan(result.unreadableApplicationFolders, context, "leftover-check",
                           "nothing is reported or remembered");
      return kExitFailure;
    case LeftoverCheckResult::Kind::notSaved:
      context.err << "corvane leftover-check: could not write " << store.fileURL() << " ("
                  << result.saveError->describe() << ").\n";
      return kExitFailure;
    case LeftoverCheckResult::Kind::checked:
    case LeftoverCheckResult::Kind::notDue: break;
  }
  if (args.has("--json"))
    report::printJSON(context.out, report::leftoverCheckJSON(result));
  else if (result.notification)
    context.out << result.notification->title << "\n" << forTerminal(result.notification->body) << "\n";
  return kExitOK;
}

}  // namespace

Command leftoverCheckCommand() {
  Command c;
  c.name = "leftover-check";
  c.usage = "leftover-check [--if-due] [--reset] [--json] [--scope UUID]";
  c.summary = "Looks for new leftovers of removed apps and prints the notification for them (the weekly check).";
  c.options.flags = {"--if-due", "--reset", "--json"};
  c.options.values = {"--scope"};
  c.options.layout = true;
  c.run = leftoverCheck;
  c.optionDocs = {
      {"--if-due", "", "checks only when a week has passed since the last check (as the scheduled run does)", {}},
      {"--reset", "", "forgets what earlier checks reported, so that everything counts as new", {}},
      {"--json", "", "prints whether it was due, the counts and the notification as JSON; see docs/json.md", {}},
      {"--scope", "UUID", "reads the background items of this login scope (default: the current user's)", {}},
  };
  return c;
}

}  // namespace corvane::cli
