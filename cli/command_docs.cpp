// corvane completions SHELL and corvane man: the shell completions and the man page, from the table.

#include "cli/command_docs.h"

#include <ostream>

namespace corvane::cli {

report::CommandHelp helpOf(const Command& c) {
  report::CommandHelp help{c.name, usageLine(c), c.summary, {}, {}, c.words, c.operand, c.options.maxPositional > 0};
  for (const auto& o : documentedOptions(c)) {
    bool layoutOption = false;
    for (const auto& option : kLayoutOptions) layoutOption = layoutOption || o.name == option.name;
    const bool path = !o.value.empty() && (c.options.paths.count(o.name) || layoutOption || o.value == "DIR" || o.value == "PATH");
    help.options.push_back({o.name, o.value, o.help, o.accepted, path});
  }
  help.own.assign(help.options.begin(), help.options.begin() + static_cast<std::ptrdiff_t>(c.optionDocs.size()));
  return help;
}

report::ToolHelp toolHelp(const std::vector<Command>& commands) {
  report::ToolHelp tool;
  for (const auto& c : commands) tool.commands.push_back(helpOf(c));
  for (const auto& option : kLayoutOptions) tool.layout.push_back({option.name, option.placeholder, option.help, {}, true});
  tool.layout.push_back({kHostPathsOption.name, "", kHostPathsOption.help, {}, false});
  return tool;
}

namespace {

int completions(const ParsedArguments& args, Context& context) {
  auto script = report::completionScript(args.positional[0], toolHelp(allCommands()));
  if (!script) {
    context.err << "corvane completions: no completions for " << args.positional[0] << " (bash, zsh or fish)\n";
    return kExitUsage;
  }
  context.out << *script;
  return kExitOK;
}

int man(const ParsedArguments&, Context& context) {
  context.out << report::manPage(toolHelp(allCommands()));
  return kExitOK;
}

}  // namespace

Command completionsCommand() {
  Command c;
  c.name = "completions";
  c.usage = "completions bash|zsh|fish";
  c.summary = "Prints the shell completion script for bash, zsh or fish.";
  c.options.minPositional = 1;
  c.options.maxPositional = 1;
  c.run = completions;
  c.words = {"bash", "zsh", "fish"};
  return c;
}

Command manCommand() {
  Command c;
  c.name = "man";
  c.usage = "man";
  c.summary = "Prints the manual page (roff), as installed in man1/corvane.1.";
  c.run = man;
  return c;
}

}  // namespace corvane::cli
