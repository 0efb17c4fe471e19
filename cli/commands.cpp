#include "cli/commands.h"

#include <iostream>

namespace corvane::cli {

namespace {

std::vector<Command> allCommands() {
  return {
      analyzeCommand(),
      backgroundItemsCommand(),
      explainCommand(),
      demoCommand(),
      assessCommand(),
      historyCommand(),
      appsCommand(),
      inspectCommand(),
      uninstallCommand(),

  };
}

void printHelp(std::ostream& out) {
  out << "usage: corvane COMMAND [OPTIONS]\n\nCommands:\n";
  for (const auto& c : allCommands()) {
    out << "  " << c.usage << "\n      " << c.summary << "\n";
  }
  out << "\nCommands that read a Mac take --root DIR (the folder standing for \"/\") and --home DIR (the\n"
         "user's home folder); both default to this machine.\n";
}

}  // namespace

std::optional<std::string> ParsedArguments::value(const std::string& option) const {
  auto it = values.find(option);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> parseArguments(const std::vector<std::string>& args, const OptionSpec& spec,
                                          ParsedArguments& parsed) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!optionsEnded && a == "--") {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && a.size() > 1 && a[0] == '-') {
      std::string name = a;
      std::optional<std::string> inlineValue;
      if (auto eq = a.find('='); eq != std::string::npos && a.rfind("--", 0) == 0) {
        name = a.substr(0, eq);
        inlineValue = a.substr(eq + 1);
      }
      bool takesValue = spec.values.count(name) || (spec.layout && (name == "--root" || name == "--home"));
      if (spec.flags.count(name) && !inlineValue) {
        parsed.flags.insert(name);
      } else if (takesValue) {
        if (!inlineValue) {
          if (i + 1 >= args.size()) return "option " + name + " needs a value";
          inlineValue = args[++i];
        }
        parsed.values[name] = *inlineValue;
      } else {
        return "unknown option " + name;
      }
      continue;
    }
    parsed.positional.push_back(a);
  }
  if (parsed.positional.size() < spec.minPositional) return "missing argument";
  if (parsed.positional.size() > spec.maxPositional) return "unexpected argument " + parsed.positional.back();
  return std::nullopt;
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    if (args.empty()) {
      printHelp(err);
      return kExitUsage;
    }
    printHelp(out);
    return kExitOK;
  }
  for (const auto& command : allCommands()) {
    if (command.name != args[0]) continue;
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const auto& a : rest) {
      if (a == "--help" || a == "-h") {
        out << "usage: corvane " << command.usage << "\n" << command.summary << "\n";
        return kExitOK;
      }
    }
    ParsedArguments parsed;
    if (auto problem = parseArguments(rest, command.options, parsed)) {
      err << "corvane " << command.name << ": " << *problem << " (usage: corvane " << command.usage << ")\n";
      return kExitUsage;
    }
    Context context{out, err, in, Layout::system()};
    if (auto root = parsed.value("--root")) context.layout.root = *root;
    if (auto home = parsed.value("--home")) context.layout.home = *home;
    return command.run(parsed, context);
  }
  err << "corvane: unknown command " << args[0] << " (see corvane --help)\n";
  return kExitUsage;
}

int run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return run(args, std::cout, std::cerr, std::cin);
}

}  // namespace corvane::cli
