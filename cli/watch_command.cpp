// corvane watch: tells, the moment an app leaves an Applications folder, what it left behind and how to
// remove it. It never moves or deletes anything.

#include <chrono>
#include <cstdlib>
#include <ostream>
#include <sstream>

#include "cli/commands.h"
#include "corvane/analysis/finding_ids.h"
#include "cli/finding_sizes.h"
#include "cli/snapshot_text.h"
#include "report/json_dialect.h"
#include "corvane/orphans/app_departure_watcher.h"
#include "model/json_value.h"

namespace corvane::cli {

namespace {

constexpr const char* kAgentLabel = "com.corvane.watch";
constexpr const char* kDefaultProgram = "/usr/local/bin/corvane";

std::string xmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

// The property list of the launch agent that runs the watcher at login and again after a crash.
void printLaunchAgent(std::ostream& out, const std::string& program, const Layout& layout) {
  const std::string log = xmlEscaped(layout.underHome("Library/Logs/Corvane/watch.log"));
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
         "<plist version=\"1.0\">\n<dict>\n"
         "\t<key>Label</key>\n\t<string>" << kAgentLabel << "</string>\n"
         "\t<key>ProgramArguments</key>\n\t<array>\n\t\t<string>" << xmlEscaped(program) << "</string>\n"
         "\t\t<string>watch</string>\n\t</array>\n"
         "\t<key>RunAtLoad</key>\n\t<true/>\n"
         "\t<key>KeepAlive</key>\n\t<dict>\n\t\t<key>SuccessfulExit</key>\n\t\t<false/>\n\t</dict>\n"
         "\t<key>StandardOutPath</key>\n\t<string>" << log << "</string>\n"
         "\t<key>StandardErrorPath</key>\n\t<string>" << log << "</string>\n"
         "</dict>\n</plist>\n";
}

// What names the layout on a later command line: the options this one was given.
std::string layoutArguments(const ParsedArguments& args) {
  std::string text;
  for (const char* option : {"--root", "--home"})
    if (auto value = args.value(option)) text += std::string(" ") + option + " " + *value;
  return text;
}

struct Removal {
  std::string command;  // empty when there is nothing to remove
  std::size_t review = 0;
};

Removal removalCommand(const AppDeparture& d, const ParsedArguments& args) {
  Removal r;
  std::size_t movable = 0;
  for (const auto& f : d.leftovers.findings) {
    if (!f.isSelectable()) continue;
    ++movable;
    if (f.confidence == FindingConfidence::review) ++r.review;
  }
  if (movable == 0) return r;
  r.command = "corvane orphans remove " + d.app.bundleIdentifier + (movable == r.review ? " --select all" : "") +
              layoutArguments(args);
  return r;
}

void printText(std::ostream& out, const AppDeparture& d, const FindingSizes& sizes, const SizeTotal& total,
               const ParsedArguments& args, const Layout& layout) {
  const std::string name = d.app.localizedName.value_or(d.app.name);
  out << name << " (" << d.app.bundleIdentifier << ") left " << d.app.path << "\n";
  if (d.bundleNowAt) {
    out << "  Its bundle is in the Trash: " << displayPath(Url::fileURL(*d.bundleNowAt), layout) << "\n";
  } else {
    out << "  Its bundle is in no Applications folder and no Trash: deleted, or moved elsewhere.\n";
  }
  if (d.leftovers.findings.empty()) {
    out << "  It left nothing behind that Corvane can find.\n";
    return;
  }
  out << "  It left " << d.leftovers.findings.size() << (d.leftovers.findings.size() == 1 ? " item" : " items")
      << " behind (" << formatTotal(total) << "):\n";
  std::ostringstream listed;
  printFindingsByTier(listed, d.leftovers.findings, layout, true, &sizes);
  std::istringstream lines(listed.str());
  for (std::string line; std::getline(lines, line);) out << (line.empty() ? "" : "    ") << line << "\n";
  const Removal removal = removalCommand(d, args);
  if (removal.command.empty()) {
    out << "  None of them can be moved to the Trash (in use, or managed by macOS).\n";
  } else {
    out << "  To move them to the Trash: " << removal.command << "\n";
    if (removal.review > 0 && removal.command.find("--select all") == std::string::npos)
      out << "  (add --select all to include the " << removal.review << " to review)\n";
  }
}

std::string eventJSON(const AppDeparture& d, const FindingSizes& sizes, const SizeTotal& total,
                      const ParsedArguments& args, const Layout& layout) {
  json::Json app = json::Json::object();
  app["bundleIdentifier"] = d.app.bundleIdentifier;
  app["name"] = d.app.localizedName.value_or(d.app.name);
  app["path"] = layout.hostPath(d.app.path);
  app["version"] = d.app.version ? json::Json(*d.app.version) : json::Json(nullptr);
  json::Json j = json::Json::object();
  j["event"] = "appRemoved";
  j["app"] = std::move(app);
  j["trashedPath"] = d.bundleNowAt ? json::Json(*d.bundleNowAt) : json::Json(nullptr);
  j["leftovers"] = findingsJSON(d.leftovers.findings, sizes);
  j["allocatedBytes"] = total.allocatedBytes;
  j["atLeast"] = total.atLeast;
  const Removal removal = removalCommand(d, args);
  j["removeCommand"] = removal.command.empty() ? json::Json(nullptr) : json::Json(removal.command);
  return report::inDialect(std::move(j)).dump();
}

int watch(const ParsedArguments& args, Context& context) {
  if (args.has("--launch-agent")) {
    printLaunchAgent(context.out, args.value("--program").value_or(kDefaultProgram), context.layout);
    return kExitOK;
  }
  AppDepartureWatcher::Options options;
  if (auto settle = args.value("--settle")) {
    char* end = nullptr;
    const double seconds = std::strtod(settle->c_str(), &end);
    if (end == settle->c_str() || *end != '\0' || !(seconds >= 0) || seconds > 86400) {
      context.err << "corvane watch: --settle takes a number of seconds, not " << *settle << "\n";
      return kExitUsage;
    }
    options.settleTime = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
  }
  auto watcher = AppDepartureWatcher::start(context.layout, options);
  if (!watcher.has_value()) {
    context.err << "corvane watch: cannot watch folders: " << watcher.error().message << "\n";
    return kExitFailure;
  }
  const bool asJSON = args.has("--json");
  if (!asJSON)
    context.err << "Watching " << watcher.value().watchedFolders().size()
                << " folders for apps that leave; nothing is ever moved or deleted.\n";
  for (;;) {
    auto departures = watcher.value().wait();
    if (!departures.has_value()) {
      context.err << "corvane watch: " << departures.error().message << "\n";
      return kExitFailure;
    }
    for (auto& d : departures.value()) {
      FindingIDs::assign(d.leftovers, context.layout);
      const FindingSizes sizes = rollUpFindingSizes(d.leftovers.findings);
      std::vector<const FileFinding*> all;
      for (const auto& f : d.leftovers.findings) all.push_back(&f);
      const SizeTotal total = totalOf(all, sizes);
      if (asJSON) {
        context.out << eventJSON(d, sizes, total, args, context.layout) << "\n";
      } else {
        printText(context.out, d, sizes, total, args, context.shown());
      }
      context.out.flush();
      if (args.has("--once")) return kExitOK;
    }
  }
}

}  // namespace

Command watchCommand() {
  Command c;
  c.name = "watch";
  c.usage = "watch [--json] [--once] [--settle SECONDS] | watch --launch-agent [--program PATH]";
  c.summary = "Watches the Applications folders and, when an app leaves, shows what it left behind and the command "
              "that removes it; never removes anything itself.";
  c.options.flags = {"--json", "--once", "--launch-agent"};
  c.options.values = {"--settle", "--program"};
  c.options.paths = {"--program"};
  c.options.layout = true;
  c.run = watch;
  c.optionDocs = {
      {"--json", "", "prints each event as one JSON object a line; see docs/json.md", {}},
      {"--once", "", "exits after the first event", {}},
      {"--settle", "SECONDS",
       "waits this long after an app leaves before telling (default: 10), so that an update or a rename says nothing",
       {}},
      {"--launch-agent", "", "prints the launch agent that runs the watcher at login, and watches nothing", {}},
      {"--program", "PATH", "with --launch-agent: the corvane the agent runs (default: /usr/local/bin/corvane)", {}},
  };
  return c;
}

}  // namespace corvane::cli
