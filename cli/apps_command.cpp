// corvane apps: the installed applications, sorted by name.

#include <algorithm>
#include <ostream>

#include "cli/commands.h"
#include "report/json_dialect.h"
#include "cli/orphan_state.h"
#include "cli/snapshot_text.h"
#include "corvane/discovery/app_discovery_service.h"

namespace corvane::cli {

namespace {

int apps(const ParsedArguments& args, Context& context) {
  std::vector<InstalledApplication> found = listApps(context.layout);
  if (args.has("--names")) {
    for (const auto& app : found)
      if (!app.name.empty()) context.out << app.name << "\n";
    return kExitOK;
  }
  if (args.has("--json")) {
    report::printJSON(context.out, json::encode(found));
    return kExitOK;
  }
  if (found.empty()) {
    context.out << "No applications found.\n";
    return kExitOK;
  }
  std::vector<std::vector<std::string>> rows = {{"NAME", "VERSION", "BUNDLE IDENTIFIER", "SYSTEM", "PATH"}};
  for (const auto& app : found)
    rows.push_back({app.name.empty() ? "(no name)" : app.name, app.version.value_or("-"),
                    app.bundleIdentifier.value_or("-"), app.isSystemApplication ? "yes" : "no", displayPath(app.url, context.shown())});
  printTable(context.out, rows);
  context.out << found.size() << (found.size() == 1 ? " application\n" : " applications\n");
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
