#pragma once
// Runs the command-line tool in-process and keeps what it printed.

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace corvane::testing {

struct CliOutput {
  int status = 0;
  std::string out;
  std::string err;
};

// `args` starts with the command name; `input` is what the tool reads from its standard input;
// relative paths are taken from `workingFolder` (the process's own when absent).
inline CliOutput runCli(const std::vector<std::string>& args, const std::string& input = {},
                        const std::optional<std::string>& workingFolder = std::nullopt) {
  std::ostringstream out, err;
  std::istringstream in(input);
  int status = cli::run(args, out, err, in, workingFolder);
  return {status, out.str(), err.str()};
}

}  // namespace corvane::testing
