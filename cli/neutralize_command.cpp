// corvane neutralize LABEL: turns off a leftover background item of an app that is gone (disables its
// launchd service, stops it, moves its settings file to the Trash) and remembers the label, so that later
// orphan scans no longer list it.

#include <ostream>

#include "cli/commands.h"
#include "cli/launchctl_runner.h"
#include "cli/orphan_state.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/discovery/background_items_store.h"
#include "corvane/removal/background_item_neutralizer.h"

namespace corvane::cli {

namespace {

int neutralize(const ParsedArguments& args, Context& context) {
  if (!applyScope(args, context, "neutralize")) return kExitUsage;
  const Layout& layout = context.layout;
  const std::string& label = args.positional[0];
  const AppDiscoveryService discovery(layout);
  if (reportIncompleteScan(discovery.unreadableApplicationFolders(), context, "neutralize", "nothing was changed"))
    return kExitFailure;
  const BackgroundItemsLoadResult items = BackgroundItemsStore::loadDetailed(layout);
  const auto record = OrphanScanner(layout).removableBackgroundItemOrphan(label, items.records, discovery.discover());
  if (!record) {
    context.err << "corvane neutralize: " << label
                << " is not a leftover login item of a removed app (see corvane orphans). Nothing was changed.\n";
    return kExitFailure;
  }
  const std::string launchctl = args.value("--launchctl").value_or(std::string(kLaunchctlPath));
  const BackgroundItemNeutralizer neutralizer(launchctlRunner(launchctl), layout.userID,
                                              BackgroundItemNeutralizer::userLeftovers(layout));
  const BackgroundItemNeutralizeOutcome outcome = neutralizer.neutralize(label, record->name);
  context.out << outcome.message() << "\n";
  // Only a service launchd now keeps off stops being listed; anything less is a failure to report.
  if (outcome.refused || !outcome.disabled) return kExitFailure;
  if (!rememberSuppressedLabel(layout, label)) {
    context.err << "corvane neutralize: could not remember " << label << " in " << suppressedLabelsFile(layout)
                << "; later scans may list it again.\n";
    return kExitFailure;
  }
  return kExitOK;
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
  return c;
}

}  // namespace corvane::cli
