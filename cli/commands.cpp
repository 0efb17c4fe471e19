#include "cli/commands.h"

#include <algorithm>
#include <exception>
#include <iostream>

#include "cli/command_docs.h"
#include "corvane/discovery/app_lookup.h"
#include "corvane/base/url.h"
#include "corvane/base/version.h"
#include "corvane/discovery/app_discovery_service.h"
#include "platform/directory.h"
#include "platform/system_layout.h"
#include "platform/terminal.h"

namespace corvane::cli {

std::vector<Command> allCommands() {
  std::vector<Command> commands = {
      analyzeCommand(),
      backgroundItemsCommand(),
      explainCommand(),
      demoCommand(),
      assessCommand(),
      historyCommand(),
      appsCommand(),
      inspectCommand(),
      uninstallCommand(),
      restoreCommand(),
      trashCommand(),
      orphansCommand(), leftoverCheckCommand(), neutralizeCommand(), watchCommand(),
      doctorCommand(),
  };
  // The tool's own documentation, generated from the commands above, comes last.
  commands.push_back(completionsCommand());
  commands.push_back(manCommand());
  return commands;
}

namespace {

bool isLayoutOption(const std::string& name) {
  for (const auto& option : kLayoutOptions)
    if (name == option.name) return true;
  return false;
}

// Runs the command; an exception that escaped it still ends in one line and a failure status, never in
// an abort.
int runGuarded(const Command& command, const ParsedArguments& parsed, Context& context) {
  try {
    return command.run(parsed, context);
  } catch (const std::exception& e) {
    context.err << "corvane " << command.name << ": stopped by an unexpected error: " << e.what() << "\n";
  } catch (...) {
    context.err << "corvane " << command.name << ": stopped by an unexpected error\n";
  }
  return kExitFailure;
}

}  // namespace

std::vector<OptionDoc> documentedOptions(const Command& command) {
  std::vector<OptionDoc> options = command.optionDocs;
  if (command.options.layout)
    for (const auto& option : kLayoutOptions) options.push_back({option.name, option.placeholder, option.help, {}});
  if (command.options.layout) options.push_back({kHostPathsOption.name, "", kHostPathsOption.help, {}});
  return options;
}

Terminal terminalFor(bool outputIsTerminal, bool errorIsTerminal, const std::optional<std::string>& term,
                     const std::optional<std::string>& noColour) {
  Terminal terminal;
  terminal.colour = outputIsTerminal && term != "dumb" && (!noColour || noColour->empty());
  terminal.progress = errorIsTerminal && term != "dumb";
  return terminal;
}

std::optional<std::string> ParsedArguments::value(const std::string& option) const {
  auto it = values.find(option);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> absolutePath(const std::string& path, const std::optional<std::string>& workingFolder) {
  if (path.empty()) return std::nullopt;
  if (path.front() == '/') return url::standardizedPath(path);
  if (!workingFolder) return std::nullopt;
  return url::standardizedPath(*workingFolder + "/" + path);
}

std::string usageLine(const Command& command) {
  std::string line = command.usage;
  if (command.options.layout)
    for (const auto& option : kLayoutOptions) line += std::string(" [") + option.name + " " + option.placeholder + "]";
  return line;
}

namespace {

// The path made absolute into `into`; else what is wrong with it.
std::optional<std::string> takePath(const std::string& given, const std::string& what,
                                    const std::optional<std::string>& workingFolder, std::string& into) {
  if (given.empty()) return what + " needs a path";
  auto absolute = absolutePath(given, workingFolder);
  if (!absolute) return "the working folder is unknown: give " + what + " as an absolute path";
  into = std::move(*absolute);
  return std::nullopt;
}

// The option at args[i] (and its value, which moves i on); else what is wrong with it.
std::optional<std::string> parseOption(const std::vector<std::string>& args, std::size_t& i, const OptionSpec& spec,
                                       const std::optional<std::string>& workingFolder, ParsedArguments& parsed) {
  const std::string& a = args[i];
  std::string name = a;
  std::optional<std::string> inlineValue;
  if (auto eq = a.find('='); eq != std::string::npos && a.rfind("--", 0) == 0) {
    name = a.substr(0, eq);
    inlineValue = a.substr(eq + 1);
  }
  const bool layoutOption = spec.layout && isLayoutOption(name);
  if ((spec.flags.count(name) || (spec.layout && name == kHostPathsOption.name)) && !inlineValue) {
    parsed.flags.insert(name);
    return std::nullopt;
  }
  if (!spec.values.count(name) && !layoutOption) return "unknown option " + name;
  if (!inlineValue) {
    if (i + 1 >= args.size()) return "option " + name + " needs a value";
    inlineValue = args[++i];
  }
  if (layoutOption || spec.paths.count(name))
    if (auto problem = takePath(*inlineValue, "option " + name, workingFolder, *inlineValue)) return problem;
  parsed.values[name] = std::move(*inlineValue);
  return std::nullopt;
}

}  // namespace

std::optional<std::string> parseArguments(const std::vector<std::string>& args, const OptionSpec& spec,
                                          const std::optional<std::string>& workingFolder, ParsedArguments& parsed) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!optionsEnded && a == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
      if (auto problem = parseOption(args, i, spec, workingFolder, parsed)) return problem;
    } else {
      const bool atApp = spec.appArgument && parsed.positional.size() == spec.firstPathArgument;
      if (atApp && a.empty()) return "APP is empty: give an app's path, name or bundle identifier";
      std::string argument = a;
      // An app's name or bundle identifier stays as given: it is looked up once the layout is known.
      if (spec.positionalPaths && parsed.positional.size() >= spec.firstPathArgument && !(atApp && !looksLikeAppPath(a)))
        if (auto problem = takePath(a, "the argument", workingFolder, argument)) return problem;
      parsed.positional.push_back(std::move(argument));
    }
  }
  if (parsed.positional.size() < spec.minPositional) return "missing argument";
  if (parsed.positional.size() > spec.maxPositional) return "unexpected argument " + parsed.positional.back();
  return std::nullopt;
}

namespace {

// The layout the command reads: this machine's, or the one --root and --home give; else why it cannot be read.
std::optional<std::string> layoutFor(const Command& command, const ParsedArguments& parsed,
                                     const std::optional<std::string>& folder, Context& context) {
  // The home from the environment is held to the same form as one given on the command line.
  if (auto home = absolutePath(context.layout.home, folder)) context.layout.home = *home;
  if (auto root = parsed.value("--root")) context.layout.root = *root;
  if (auto home = parsed.value("--home")) context.layout.home = *home;
  // Answers computed from folders that are not there would be made up.
  if (!command.options.layout) return std::nullopt;
  return layoutProblem(context.layout, parsed.value("--root").has_value(), parsed.value("--home").has_value());
}

// APP as the bundle's path: a name or bundle identifier looked up among the installed apps. False, after
// saying why, when there is no such app.
bool resolveApp(const Command& command, ParsedArguments& parsed, Context& context) {
  const std::size_t app = command.options.firstPathArgument;
  // A gone app named by --removed has no bundle to look for; the command itself refuses an APP beside it.
  if (!command.options.appArgument || app >= parsed.positional.size() || parsed.value("--removed")) return true;
  const std::string label = "corvane " + command.name + ": ";
  if (!looksLikeAppPath(parsed.positional[app])) {
    AppLookup found = findApp(parsed.positional[app], AppDiscoveryService(context.layout).discover());
    if (!found.path) {
      context.err << label << found.problem;
      return false;
    }
    parsed.positional[app] = *found.path;
  }
  AppPath bundle = resolveAppPath(parsed.positional[app], context.layout);
  if (!bundle.path) context.err << label << bundle.problem << "\n";
  if (!bundle.path) return false;
  if (!bundle.note.empty()) context.err << label << bundle.note << "\n";
  parsed.positional[app] = *bundle.path;
  return true;
}

// Whether the installed applications can all be read, for a command that works from them.
bool appsReadable(const Command& command, Context& context) {
  if (!command.options.readsInstalledApps) return true;
  const std::vector<std::string> unreadable = AppDiscoveryService(context.layout).unreadableApplicationFolders();
  if (unreadable.empty()) return true;
  context.err << "corvane " << command.name << ": " << unreadable.front()
              << " could not be read, so the installed apps cannot be known; nothing was done.\n";
  return false;
}

int runCommand(const Command& command, const std::vector<std::string>& rest, std::ostream& out, std::ostream& err,
               std::istream& in, const std::optional<std::string>& workingFolder, const Terminal& terminal) {
  for (const auto& a : rest) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") {
      report::printCommandHelp(out, helpOf(command));
      return kExitOK;
    }
  }
  const std::string usage = usageLine(command);
  const std::optional<std::string> folder = workingFolder ? workingFolder : valueIfAny(platform::currentDirectory());
  ParsedArguments parsed;
  Context context{out, err, in, platform::systemLayout(), usage, terminal};
  auto problem = parseArguments(rest, command.options, folder, parsed);
  if (!problem) problem = layoutFor(command, parsed, folder, context);
  if (problem) {
    err << "corvane " << command.name << ": " << *problem << " (usage: corvane " << usage << ")\n";
    return kExitUsage;
  }
  context.hostPaths = parsed.has(kHostPathsOption.name);
  if (!appsReadable(command, context) || !resolveApp(command, parsed, context)) return kExitFailure;
  return runGuarded(command, parsed, context);
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in,
        const std::optional<std::string>& workingFolder, const Terminal& terminal) {
  if (!args.empty() && args[0] == "--version") {
    out << "corvane " << version() << "\n";
    return kExitOK;
  }
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    report::printHelp(args.empty() ? err : out, toolHelp(allCommands()));
    return args.empty() ? kExitUsage : kExitOK;
  }
  for (const auto& command : allCommands())
    if (command.name == args[0])
      return runCommand(command, {args.begin() + 1, args.end()}, out, err, in, workingFolder, terminal);
  err << "corvane: unknown command " << args[0] << " (see corvane --help)\n";
  return kExitUsage;
}

int run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // The environment and the streams are looked at here, once; commands see only the answers.
  const Terminal terminal =
      terminalFor(platform::standardOutputIsTerminal(), platform::standardErrorIsTerminal(),
                  platform::environmentVariable("TERM"), platform::environmentVariable("NO_COLOR"));
  try {
    return run(args, std::cout, std::cerr, std::cin, std::nullopt, terminal);
  } catch (const std::exception& e) {
    std::cerr << "corvane: stopped by an unexpected error: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "corvane: stopped by an unexpected error\n";
  }
  return kExitFailure;
}

}  // namespace corvane::cli
