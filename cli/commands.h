#pragma once
// The command-line tool: a table of commands, each a function over parsed arguments.

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "corvane/layout.h"

namespace corvane::cli {

inline constexpr int kExitOK = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 64;  // bad command line: nothing was done

// What a command declares it accepts.
struct OptionSpec {
  std::set<std::string> flags;   // "--json"
  std::set<std::string> values;  // "--name" (takes the next argument)
  std::size_t minPositional = 0;
  std::size_t maxPositional = 0;
  bool layout = false;  // accepts --root DIR and --home DIR
};

struct ParsedArguments {
  std::set<std::string> flags;
  std::map<std::string, std::string> values;
  std::vector<std::string> positional;

  bool has(const std::string& flag) const { return flags.count(flag) != 0; }
  std::optional<std::string> value(const std::string& option) const;
};

struct Context {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  Layout layout;
};

struct Command {
  std::string name;
  std::string usage;    // "assess PATH --name NAME [...]"
  std::string summary;  // one line for --help
  OptionSpec options;
  std::function<int(const ParsedArguments&, Context&)> run;
};

// Parses arguments after the command name; on failure returns the one-line error.
std::optional<std::string> parseArguments(const std::vector<std::string>& args, const OptionSpec& spec,
                                          ParsedArguments& parsed);

// Runs the tool: args[0] is the command name.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in);
int run(int argc, char** argv);

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


}  // namespace corvane::cli
