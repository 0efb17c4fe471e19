// corvane watch: tells, the moment an app leaves an Applications folder, what it left behind and how to
// remove it. It never moves or deletes anything.

#include <chrono>
#include <cstdlib>
#include <ostream>

#include "cli/commands.h"
#include "corvane/analysis/finding_ids.h"
#include "cli/finding_sizes.h"
#include "corvane/orphans/app_departure_watcher.h"
#include "corvane/orphans/watch_launch_agent.h"
#include "report/watch_event.h"

namespace corvane::cli {

namespace {

// What names the layout on a later command line: the options this one was given.
std::string layoutArguments(const ParsedArguments& args) {
  std::string text;
  for (const char* option : {"--root", "--home"})
    if (auto value = args.value(option)) text += std::string(" ") + option + " " + *value;
  return text;
}

// --settle in milliseconds; false (after a usage message) for a malformed value.
bool parseSettle(const ParsedArguments& args, Context& context, AppDepartureWatcher::Options& options) {
  auto settle = args.value("--settle");
  if (!settle) return true;
  char* end = nullptr;
  const double seconds = std::strtod(settle->c_str(), &end);
  if (end == settle->c_str() || *end != '\0' || !(seconds >= 0) || seconds > 86400) {
    context.err << "corvane watch: --settle takes a number of seconds, not " << *settle << "\n";
    return false;
  }
  options.settleTime = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
  return true;
}

void printDeparture(AppDeparture& d, const ParsedArguments& args, Context& context) {
  FindingIDs::assign(d.leftovers, context.layout);
  const FindingSizes sizes = rollUpFindingSizes(d.leftovers.findings);
  std::vector<const FileFinding*> all;
  for (const auto& f : d.leftovers.findings) all.push_back(&f);
  const report::WatchEvent event{d, sizes, totalOf(all, sizes), layoutArguments(args)};
  if (args.has("--json")) {
    context.out << report::watchEventJSON(event, context.layout) << "\n";
  } else {
    report::printWatchEvent(context.out, event, context.shown());
  }
  context.out.flush();
}

int watch(const ParsedArguments& args, Context& context) {
  if (args.has("--launch-agent")) {
    context.out << WatchLaunchAgent::propertyList(
        args.value("--program").value_or(WatchLaunchAgent::kDefaultProgram), context.layout);
    return kExitOK;
  }
  AppDepartureWatcher::Options options;
  if (!parseSettle(args, context, options)) return kExitUsage;
  auto watcher = AppDepartureWatcher::start(context.layout, options);
  if (!watcher.has_value()) {
    context.err << "corvane watch: cannot watch folders: " << watcher.error().message << "\n";
    return kExitFailure;
  }
  if (!args.has("--json"))
    context.err << "Watching " << watcher.value().watchedFolders().size()
                << " folders for apps that leave; nothing is ever moved or deleted.\n";
  for (;;) {
    auto departures = watcher.value().wait();
    if (!departures.has_value()) {
      context.err << "corvane watch: " << departures.error().message << "\n";
      return kExitFailure;
    }
    for (auto& d : departures.value()) {
      printDeparture(d, args, context);
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
