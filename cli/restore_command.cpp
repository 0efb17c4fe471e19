// corvane restore: puts back what a recorded uninstall moved to the Trash and turns its paused launch
// agents on again.

#include <ostream>

#include "cli/commands.h"
#include "corvane/removal/background_service_controller.h"
#include "corvane/uninstall/restore_session.h"
#include "report/json_dialect.h"
#include "report/restore_report.h"

namespace corvane::cli {

namespace {

int restore(const ParsedArguments& args, Context& c) {
  if (c.layout.home.empty()) {
    c.err << "corvane restore: no home folder (pass --home DIR)\n";
    return kExitFailure;
  }
  HistoryStore history(HistoryFileManager::system(), c.layout);
  HistoryFacts facts(HistoryFileManager::system(), history.fileURL());
  auto collaborators =
      RestoreCollaborators::system(c.layout, args.value("--launchctl").value_or(std::string(kLaunchctlPath)));
  collaborators.restoring.notice = [&c](const std::string& sentence) { c.err << sentence << "\n"; };
  const RestoreSession session(c.layout, std::move(collaborators), history, facts);
  const RestoreSessionPlan plan = session.plan(args.positional[0]);
  if (plan.kind != RestoreSessionPlan::Kind::ready) {
    c.err << "corvane restore: " << report::restorePlanProblem(plan) << "\n";
    return kExitFailure;
  }
  const RestoreSessionResult result = session.perform(plan);
  if (args.has("--json"))
    report::printJSON(c.out, report::restoreJSON(result));
  else
    c.out << report::restoreText(result, c.shown());
  return result.allBack() ? kExitOK : kExitFailure;
}

}  // namespace

Command restoreCommand() {
  Command c;
  c.name = "restore";
  c.usage = "restore RECORD-ID [--json] [--launchctl PATH]";
  c.summary = "Puts back from the Trash what a recorded uninstall moved there and turns its paused launch agents on again.";
  c.options.flags = {"--json"};
  c.options.values = {"--launchctl"};
  c.options.paths = {"--launchctl"};
  c.options.minPositional = 1;
  c.options.maxPositional = 1;
  c.options.layout = true;
  c.run = restore;
  c.operand = Operand::historyID;
  c.optionDocs = {
      {"--json", "", "prints each item's outcome, the services turned on again and the summary as JSON; see "
                     "docs/json.md", {}},
      {"--launchctl", "PATH", "the launchctl that turns the paused launch agents on again (default: /bin/launchctl)",
       {}},
  };
  return c;
}

}  // namespace corvane::cli
