#pragma once
// The command table as the tool's documentation sees it: --help, the shell completions and the man page
// are written from it (report/command_help.h), so that each command appears in all of them alike.

#include <vector>

#include "cli/commands.h"
#include "report/command_help.h"

namespace corvane::cli {

report::CommandHelp helpOf(const Command& command);
report::ToolHelp toolHelp(const std::vector<Command>& commands);

}  // namespace corvane::cli
