#pragma once
// Runs the command-line tool in-process and keeps what it printed.

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

// `args` starts with the command name; `input` is what the tool reads from its standard input.
inline CliOutput runCli(const std::vector<std::string>& args, const std::string& input = {}) {
  std::ostringstream out, err;
  std::istringstream in(input);
  int status = cli::run(args, out, err, in);
  return {status, out.str(), err.str()};
}

}  // namespace corvane::testing
