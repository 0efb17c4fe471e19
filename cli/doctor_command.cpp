// corvane doctor: what Corvane can and cannot read here, the tools it found, and the files it keeps.

#include <ostream>

#include "cli/commands.h"
#include "cli/finding_sizes.h"
#include "report/json_dialect.h"
#include "cli/location_access.h"
#include "cli/snapshot_text.h"
#include "corvane/base/date.h"
#include "corvane/discovery/package_receipt_catalog.h"
#include "corvane/history/history_store.h"
#include "corvane/orphans/leftover_check.h"
#include "corvane/removal/background_service_controller.h"
#include "platform/directory.h"
#include "platform/privacy_access.h"

namespace corvane::cli {

namespace {

struct Tool {
  const char* name;
  std::vector<std::string> paths;  // tried in order
  const char* without;             // what is missed without it
};

const std::vector<Tool>& tools() {
  static const std::vector<Tool> kTools = {
      {"launchctl", {std::string(kLaunchctlPath)}, "background services are neither paused nor turned on again"},
      {"pkgutil", {kPackageToolPath}, "installer receipts are read from their folder directly"},
      {"brew", {"/opt/homebrew/bin/brew", "/usr/local/bin/brew"}, "the app offers no Homebrew step"},
  };
  return kTools;
}

std::optional<std::string> foundTool(const Tool& tool) {
  for (const auto& path : tool.paths)
    if (platform::itemExists(path)) return path;
  return std::nullopt;
}

struct StateFile {
  std::string what, path, health;
};

std::vector<StateFile> stateFiles(const Layout& layout) {
  std::vector<StateFile> files;
  HistoryStore history(HistoryFileManager::system(), layout);
  const std::string historyPath = history.fileURL().path();
  const std::size_t count = history.records().size();
  files.push_back({"history", historyPath,
                   history.fileIsUnreadable() ? "unreadable: kept aside before the next change"
                   : !platform::itemExists(historyPath)
                       ? "not written yet"
                       : "ok, " + std::to_string(count) + (count == 1 ? " uninstall" : " uninstalls")});
  LeftoverCheckStore check(layout);
  const LeftoverCheckState state = check.load();
  files.push_back({"weekly check", check.fileURL(),
                   !platform::itemExists(check.fileURL()) ? "not written yet"
                   : state.lastCheckedAt
                       ? "ok, last check " + date::iso8601(std::chrono::floor<std::chrono::seconds>(*state.lastCheckedAt))
                                     : "ok, no check yet"});
  const std::string sizes = freedSizesPath(historyPath);
  files.push_back({"freed sizes", sizes, platform::itemExists(sizes) ? "ok" : "not written yet"});
  return files;
}

int doctor(const ParsedArguments& args, Context& c) {
  const Layout shown = c.shown();
  const std::vector<LocationAccess> locations = searchedLocations(c.layout);
  std::size_t denied = 0, missing = 0;
  for (const auto& l : locations) {
    denied += l.access == Access::denied;
    missing += l.access == Access::missing;
  }
  const auto files = stateFiles(c.layout);
  if (args.has("--json")) {
    json::Json doc = json::Json::object();
    doc["root"] = c.layout.root;
    doc["home"] = c.layout.home;
    doc["locations"] = json::Json::array();
    for (const auto& l : locations) doc["locations"].push_back({{"path", l.path}, {"access", accessText(l.access)}});
    doc["tools"] = json::Json::array();
    for (const auto& tool : tools()) {
      auto path = foundTool(tool);
      doc["tools"].push_back({{"name", tool.name}, {"path", path ? json::Json(*path) : json::Json()}});
    }
    doc["stateFiles"] = json::Json::array();
    for (const auto& f : files) doc["stateFiles"].push_back({{"name", f.what}, {"path", f.path}, {"health", f.health}});
    report::printJSON(c.out, doc);
    return kExitOK;
  }
  c.out << "Mac: root " << c.layout.root << ", home " << c.layout.home << "\n\nSearched locations ("
        << locations.size() - denied - missing << " readable, " << missing << " missing, " << denied << " denied)\n";
  for (const auto& l : locations) {
    const std::string access = accessText(l.access);
    c.out << "  " << access << std::string(10 - access.size(), ' ') << displayPath(Url::fileURL(l.path), shown) << "\n";
  }
  if (denied > 0)
    if (auto hint = platform::privacyAccessHint()) c.out << *hint << "\n";
  c.out << "\nTools\n";
  for (const auto& tool : tools()) {
    auto path = foundTool(tool);
    c.out << "  " << tool.name << std::string(11 - std::string(tool.name).size(), ' ')
          << (path ? "found at " + *path : "not found: " + std::string(tool.without)) << "\n";
  }
  c.out << "\nFiles Corvane keeps\n";
  for (const auto& f : files)
    c.out << "  " << f.what << std::string(14 - f.what.size(), ' ') << displayPath(Url::fileURL(f.path), shown) << ": "
          << f.health << "\n";
  return kExitOK;
}

}  // namespace

Command doctorCommand() {
  Command c;
  c.name = "doctor";
  c.usage = "doctor [--json]";
  c.summary = "Says what Corvane can and cannot read here, the tools it found and the health of the files it keeps.";
  c.options.flags = {"--json"};
  c.options.layout = true;
  c.run = doctor;
  c.optionDocs = {{"--json", "", "prints the locations, tools and files as JSON; see docs/json.md", {}}};
  return c;
}

}  // namespace corvane::cli
