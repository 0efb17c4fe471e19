// corvane apps: the installed applications, sorted by name.

#include <algorithm>
#include <ostream>

#include "cli/commands.h"
#include "cli/orphan_state.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/model/json_forms.h"

namespace corvane::cli {

namespace {

// Characters on screen, counted as UTF-8 scalars.
std::size_t displayWidth(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void printTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], displayWidth(row[i]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - displayWidth(row[i]) + 2, ' ');
    }
    out << line << "\n";
  }
}

int apps(const ParsedArguments& args, Context& context) {
  std::vector<InstalledApplication> found = listApps(context.layout);
  if (args.has("--json")) {
    context.out << toJSON(found, JsonLayout::pretty) << "\n";
    return kExitOK;
  }
  if (found.empty()) {
    context.out << "No applications found.\n";
    return kExitOK;
  }
  std::vector<std::vector<std::string>> rows = {{"NAME", "VERSION", "BUNDLE IDENTIFIER", "SYSTEM", "PATH"}};
  for (const auto& app : found)
    rows.push_back({app.name.empty() ? "(no name)" : app.name, app.version.value_or("-"),
                    app.bundleIdentifier.value_or("-"), app.isSystemApplication ? "yes" : "no", app.url.path()});
  printTable(context.out, rows);
  context.out << found.size() << (found.size() == 1 ? " application\n" : " applications\n");
  return kExitOK;
}

}  // namespace

Command appsCommand() {
  Command c;
  c.name = "apps";
  c.usage = "apps [--json]";
  c.summary = "Lists the installed applications: name, version, bundle identifier, system flag and location.";
  c.options.flags = {"--json"};
  c.options.layout = true;
  c.options.readsInstalledApps = true;
  c.run = apps;
  return c;
}

}  // namespace corvane::cli
