#pragma once
// The one way the library runs an external command-line tool. Services that run a tool take a
// CommandRunning in their constructor, so tests and stand-ins can answer in the real tool's place.

#include <cstdint>
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

class CommandRunning {
 public:
  virtual ~CommandRunning() = default;

  // Runs `executable` (an absolute path) with `arguments` as separate words and returns its standard
  // output; nothing when the tool could not be launched, exited with a non-zero status or printed text
  // that is not UTF-8.
  virtual std::optional<std::string> run(const std::string& executable,
                                         const std::vector<std::string>& arguments) const = 0;

  // Runs the tool and always returns its exit status and its standard output and standard error
  // interleaved, trimmed of surrounding white space. A launch failure is status -1 with a description.
  virtual CommandOutcome runWithStatus(const std::string& executable,
                                       const std::vector<std::string>& arguments) const = 0;
};

// The real runner: launches the tool directly (no shell, nothing quoted or expanded), inheriting the
// caller's environment and working directory. Output is read to its end before the tool is waited for,
// so a tool that prints more than a pipe holds never blocks. No time limit is set.
//
// A tool killed by a signal has the status 128 + the signal's number (as shells report it).
class CommandRunner final : public CommandRunning {
 public:
  CommandRunner() = default;

  std::optional<std::string> run(const std::string& executable,
                                 const std::vector<std::string>& arguments) const override;
  CommandOutcome runWithStatus(const std::string& executable,
                               const std::vector<std::string>& arguments) const override;
};

}  // namespace corvane
