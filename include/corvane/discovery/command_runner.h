#pragma once
// The one way the library runs an external command-line tool. Services that run a tool take a
// CommandRunning in their constructor, so tests and stand-ins can answer in the real tool's place.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// A tool's exit status and what it printed.
struct CommandOutcome {
  std::int32_t status = 0;
  std::string output;

  bool operator==(const CommandOutcome&) const = default;
};

// Runs external tools: a plain struct of two callbacks, so that a test or an app (a Swift closure, a
// C++ lambda) supplies its own without subclassing. Services call run and runWithStatus; a runner whose
// callback is missing answers as a tool that could not be launched.
struct CommandRunning {
  using Arguments = std::vector<std::string>;
  // Runs `executable` (an absolute path) with `arguments` as separate words and returns its standard
  // output; nothing when the tool could not be launched, exited with a non-zero status or printed text
  // that is not UTF-8.
  using OutputFunction = std::function<std::optional<std::string>(const std::string& executable, const Arguments&)>;
  // Runs the tool and always returns its exit status and its standard output and standard error
  // interleaved, trimmed of surrounding white space. A launch failure is status -1 with a description.
  using OutcomeFunction = std::function<CommandOutcome(const std::string& executable, const Arguments&)>;

  OutputFunction output;
  OutcomeFunction outcome;

  std::optional<std::string> run(const std::string& executable, const Arguments& arguments) const {
    return output ? output(executable, arguments) : std::nullopt;
  }
  CommandOutcome runWithStatus(const std::string& executable, const Arguments& arguments) const {
    return outcome ? outcome(executable, arguments) : CommandOutcome{-1, "no command runner"};
  }
};

// The real runner: a CommandRunning whose callbacks launch the tool directly (no shell, nothing quoted or
// expanded), inheriting the caller's environment and working directory. Output is read to its end before
// the tool is waited for, so a tool that prints more than a pipe holds never blocks. No time limit is set.
//
// A tool killed by a signal has the status 128 + the signal's number (as shells report it).
struct CommandRunner : CommandRunning {
  CommandRunner();
};

}  // namespace corvane
