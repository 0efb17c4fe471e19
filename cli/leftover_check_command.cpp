// corvane leftover-check: the weekly look for new leftovers of removed apps, run by hand. Under the
// check's lock it scans, compares with what was reported before, prints the notification the app would
// post (nothing when nothing is new) and remembers what it reported.

#include <ostream>

#include "cli/commands.h"
#include "report/json_dialect.h"
#include "cli/terminal_text.h"
#include "cli/orphan_state.h"
#include "corvane/orphans/leftover_check.h"

namespace corvane::cli {

namespace {

// How often --reset tries for the lock, and how long it waits between tries.
constexpr int kResetAttempts = 5;
constexpr unsigned kResetPauseMicroseconds = 100000;

void printHeld(Context& context, const LeftoverCheckStore& store) {
  context.err << "corvane leftover-check: another leftover check is running (it holds " << store.lockURL()
              << "); nothing was done.\n";
}

int leftoverCheck(const ParsedArguments& args, Context& context) {
  if (!applyScope(args, context, "leftover-check")) return kExitUsage;
  const LeftoverCheckStore store(context.layout);
  if (args.has("--reset")) {
    if (!store.reset(kResetAttempts, kResetPauseMicroseconds)) {
      context.err << "corvane leftover-check: could not reset " << store.fileURL()
                  << " (another check holds its lock, or it could not be written).\n";
      return kExitFailure;
    }
    context.out << "The leftover check starts afresh: everything found next time is reported as new.\n";
    return kExitOK;
  }
  auto lock = store.acquireLock();
  if (!lock) {
    printHeld(context, store);
    return kExitFailure;
  }
  LeftoverCheckState state = store.load();
  const Date now = date::now();
  const bool due = LeftoverCheckPolicy::isDue(state.lastCheckedAt, now);
  LeftoverCheckOutcome outcome;
  std::optional<LeftoverCheckNotificationText> text;
  if (due || !args.has("--if-due")) {
    const OrphanScanResult scanned = scanOrphans(context.layout);
    // An incomplete scan would report the apps it could not see as leftovers, and remember them so.
    if (reportIncompleteScan(scanned.unreadableApplicationFolders, context, "leftover-check",
                             "nothing is reported or remembered"))
      return kExitFailure;
    outcome = LeftoverCheckPolicy::evaluate(scanned.groups, state.reportedKeys);
    text = LeftoverCheckPolicy::notificationText(outcome);
    state.lastCheckedAt = now;
    // The keys are remembered once something was reported, so the first report stays the first until then.
    if (text || state.reportedKeys) state.reportedKeys = outcome.nextReportedKeys;
    if (auto saved = store.save(state); !saved.has_value()) {
      context.err << "corvane leftover-check: could not write " << store.fileURL() << " ("
                  << saved.error().describe() << ").\n";
      return kExitFailure;
    }
  }
  if (args.has("--json")) {
    json::Json j = json::Json::object();
    j["due"] = due;
    j["newFindingCount"] = outcome.newFindingCount;
    j["newAppCount"] = outcome.newAppCount;
    j["isFirstReport"] = outcome.isFirstReport;
    j["notification"] = text ? json::Json{{"title", text->title}, {"body", text->body}} : json::Json(nullptr);
    report::printJSON(context.out, j);
  } else if (text) {
    context.out << text->title << "\n" << forTerminal(text->body) << "\n";
  }
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
