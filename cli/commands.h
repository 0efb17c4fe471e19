#pragma once
// The command-line tool: a table of commands, each a function over parsed arguments.

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "corvane/model/layout.h"
#include "report/command_help.h"

namespace corvane::cli {

inline constexpr int kExitOK = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 64;  // bad command line: nothing was done

// What a command declares it accepts.
struct OptionSpec {
  std::set<std::string> flags;   // "--json"
  std::set<std::string> values;  // "--name" (takes the next argument)
  std::set<std::string> paths;   // those of `values` that name a path on this machine
  std::size_t minPositional = 0;
  std::size_t maxPositional = 0;
  bool positionalPaths = false;  // the positional arguments are paths (APP)...
  std::size_t firstPathArgument = 0;  // ...from this one on (a sub-command's word comes before its paths)
  bool layout = false;           // accepts the layout options (kLayoutOptions), both paths
  // The first path argument is APP: a bundle path, or an app's name or bundle identifier looked up among
  // the installed applications (see corvane/discovery/app_lookup.h).
  bool appArgument = false;
  // Works from the list of installed applications: an application folder it cannot read fails it.
  bool readsInstalledApps = false;
};

// An option every command reading a Mac takes, with its line in the help.
struct LayoutOption {
  const char* name;
  const char* placeholder;
  const char* help;
};
inline constexpr LayoutOption kLayoutOptions[] = {
    {"--root", "DIR", "the folder standing for \"/\" on the Mac to read (default: this machine)"},
    {"--home", "DIR", "the user's home folder on that Mac (default: your home folder)"},
};

// The flag every command reading a Mac takes: paths shown as they lie on this machine.
inline constexpr LayoutOption kHostPathsOption = {
    "--host-paths", "", "shows paths as they lie on this machine, not as the Mac shows them (~/Library/...)"};

struct ParsedArguments {
  std::set<std::string> flags;
  std::map<std::string, std::string> values;
  std::vector<std::string> positional;

  bool has(const std::string& flag) const { return flags.count(flag) != 0; }
  std::optional<std::string> value(const std::string& option) const;
};

// What the tool learned about its streams and environment where it started; tests leave it off.
struct Terminal {
  bool colour = false;    // tiers and lanes in colour on the output
  bool progress = false;  // progress of long scans on the error stream
};

// Colour when the output is a terminal, unless TERM is "dumb" or NO_COLOR is set to anything but "".
Terminal terminalFor(bool outputIsTerminal, bool errorIsTerminal, const std::optional<std::string>& term,
                     const std::optional<std::string>& noColour);

struct Context {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  Layout layout;          // paths absolute and standardised
  std::string usage;      // the running command's usage line, for its own usage errors
  Terminal terminal{};
  bool hostPaths = false;  // --host-paths

  // The layout that paths are shown for: none with --host-paths, so they show as they lie here.
  Layout shown() const { return hostPaths ? Layout{} : layout; }
};

// One option's line in `corvane COMMAND --help` and in the man page.
struct OptionDoc {
  std::string name;                   // "--sort"
  std::string value;                  // what follows it ("KEY"); empty for a flag
  std::string help;                   // what it does, in one line
  std::vector<std::string> accepted;  // the values it takes, listed in the help and completed by the shells
};

// What the arguments that are not options complete to.
using Operand = report::Operand;

struct Command {
  std::string name;
  std::string usage;    // "assess PATH --name NAME [...]"
  std::string summary;  // one line for --help
  OptionSpec options;
  std::function<int(const ParsedArguments&, Context&)> run;
  std::vector<OptionDoc> optionDocs;  // every option of `options` but the layout ones, in the help's order
  std::vector<std::string> words;     // the words the first argument may be (sub-commands)
  Operand operand = Operand::none;    // what the other arguments are
};

// The command's options as the help lists them: its own, then the layout options.
std::vector<OptionDoc> documentedOptions(const Command& command);

// A path from the command line made absolute against `workingFolder` (when relative) and standardised:
// no ".", "..", doubled or trailing slashes. None for an empty path, or a relative one without a working
// folder.
std::optional<std::string> absolutePath(const std::string& path, const std::optional<std::string>& workingFolder);

// Parses arguments after the command name; on failure returns the one-line error. Every path (the
// spec's path options, positional paths, the layout options) leaves absolute, through absolutePath.
std::optional<std::string> parseArguments(const std::vector<std::string>& args, const OptionSpec& spec,
                                          const std::optional<std::string>& workingFolder, ParsedArguments& parsed);

// The command's usage line: its own text, then the layout options when it takes them.
std::string usageLine(const Command& command);

// Runs the tool: args[0] is the command name. Relative paths are taken from `workingFolder`, by default
// the process's working folder.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in,
        const std::optional<std::string>& workingFolder = std::nullopt, const Terminal& terminal = {});
int run(int argc, char** argv);

// Every command, in the order --help, the completions, the man page and the README list them.
std::vector<Command> allCommands();
// The shell completions and the man page, made from allCommands() (command_docs.cpp).
Command completionsCommand();
Command manCommand();

// Commands, one per file.
Command analyzeCommand();
Command backgroundItemsCommand();
Command explainCommand();
Command demoCommand();
Command assessCommand();
Command historyCommand();
Command appsCommand();
Command inspectCommand();
Command uninstallCommand();
Command restoreCommand();
Command trashCommand();
Command orphansCommand(); Command leftoverCheckCommand(); Command neutralizeCommand(); Command watchCommand();
Command doctorCommand();


}  // namespace corvane::cli
