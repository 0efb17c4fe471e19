// corvane neutralize LABEL: turns off a leftover background item of an app that is gone (disables its
// launchd service, stops it, moves its settings file to the Trash) and remembers the label, so that later
// orphan scans no longer list it.

#include <ostream>

#include "cli/commands.h"
#include "cli/orphan_state.h"
#include "corvane/orphans/neutralize_session.h"
#include "corvane/orphans/suppressed_background_items.h"

namespace corvane::cli {

namespace {

int neutralize(const ParsedArguments& args, Context& context) {
  if (!applyScope(args, context, "neutralize")) return kExitUsage;
  const std::string launchctl = args.value("--launchctl").value_or(std::string(kLaunchctlPath));
  const NeutralizeSession session(context.layout, NeutralizeCollaborators::system(context.layout, launchctl));
  const NeutralizePlan plan = session.plan(args.positional[0]);
  if (reportIncompleteScan(plan.unreadableApplicationFolders, context, "neutralize", "nothing was changed"))
    return kExitFailure;
  if (plan.kind != NeutralizePlan::Kind::ready) {
    context.err << "corvane neutralize: " << plan.label
                << " is not a leftover login item of a removed app (see corvane orphans). Nothing was changed.\n";
    return kExitFailure;
  }
  const NeutralizeResult result = session.perform(plan);
  context.out << result.outcome.message() << "\n";
  if (result.kind == NeutralizeResult::Kind::notRemembered)
    context.err << "corvane neutralize: could not remember " << plan.label << " in "
                << SuppressedBackgroundItems(context.layout).path() << "; later scans may list it again.\n";
  return result.kind == NeutralizeResult::Kind::neutralized ? kExitOK : kExitFailure;
}

}  // namespace

Command neutralizeCommand() {
  Command c;
  c.name = "neutralize";
  c.usage = "neutralize LABEL [--launchctl PATH] [--scope UUID]";
  c.summary = "Turns off a leftover login item of a removed app and stops listing it among the leftovers.";
  c.options.values = {"--launchctl", "--scope"};
  c.options.paths = {"--launchctl"};
  c.options.minPositional = 1;
  c.options.maxPositional = 1;
  c.options.layout = true;
  c.run = neutralize;
  c.optionDocs = {
      {"--launchctl", "PATH", "the launchctl that turns the item off (default: /bin/launchctl)", {}},
      {"--scope", "UUID", "reads the background items of this login scope (default: the current user's)", {}},
  };
  return c;
}

}  // namespace corvane::cli
