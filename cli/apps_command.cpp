// corvane apps: the installed applications, sorted by name.

#include <ostream>

#include "cli/commands.h"
#include "cli/orphan_state.h"
#include "report/apps_report.h"
#include "report/json_dialect.h"

namespace corvane::cli {

namespace {

int apps(const ParsedArguments& args, Context& context) {
  const std::vector<InstalledApplication> found = listApps(context.layout);
  if (args.has("--names"))
    report::printAppNames(context.out, found);
  else if (args.has("--json"))
    report::printJSON(context.out, json::encode(found));
  else
    report::printApps(context.out, found, context.shown());
  return kExitOK;
}

}  // namespace

Command appsCommand() {
  Command c;
  c.name = "apps";
  c.usage = "apps [--json] [--names]";
  c.summary = "Lists the installed applications: name, version, bundle identifier, system flag and location.";
  c.options.flags = {"--json", "--names"};
  c.options.layout = true;
  c.options.readsInstalledApps = true;
  c.run = apps;
  c.optionDocs = {
      {"--json", "", "prints the applications as JSON; see docs/json.md", {}},
      {"--names", "", "prints only the names, one a line (what the shell completions offer for APP)", {}},
  };
  return c;
}

}  // namespace corvane::cli
