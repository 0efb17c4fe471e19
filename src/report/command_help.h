#pragma once
// The tool's own documentation, written from its table of commands: --help, a command's --help, the shell
// completions and the man page, so that each command appears in all of them alike.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace corvane::report {

// One option's line in the help and the man page.
struct OptionHelp {
  std::string name;                   // "--sort"
  std::string value;                  // what follows it ("KEY"); empty for a flag
  std::string help;                   // what it does, in one line
  std::vector<std::string> accepted;  // the values it takes, listed in the help and completed by the shells
  bool takesPath = false;             // its value is a path (completed as a file name)
};

// What the arguments that are not options complete to.
enum class Operand { none, files, app, historyID };

struct CommandHelp {
  std::string name;
  std::string usage;                 // "trash [put-back PATH...] ... [--root DIR] [--home DIR]"
  std::string summary;               // one line
  std::vector<OptionHelp> own;       // its own options, in the help's order
  std::vector<OptionHelp> options;   // every option it takes: its own, then the layout options
  std::vector<std::string> words;    // the words the first argument may be (sub-commands)
  Operand operand = Operand::none;   // what the other arguments are
  bool takesArguments = false;       // any argument at all besides the options
};

struct ToolHelp {
  std::vector<CommandHelp> commands;  // in the order they are listed
  std::vector<OptionHelp> layout;     // the options every command reading a Mac takes
};

// "usage: corvane COMMAND [OPTIONS]", every command with its summary, the layout options.
void printHelp(std::ostream& out, const ToolHelp& tool);
// The command's usage, summary and options, aligned.
void printCommandHelp(std::ostream& out, const CommandHelp& command);
// The completion script for "bash", "zsh" or "fish"; none for another shell.
std::optional<std::string> completionScript(const std::string& shell, const ToolHelp& tool);
// The man page, in roff.
std::string manPage(const ToolHelp& tool);

}  // namespace corvane::report
