#pragma once
// Text generated from the command table: shell completions, the man page and the README's command list,
// so that each command appears in all of them as it does in --help.

#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace corvane::cli {

// The completion script for "bash", "zsh" or "fish"; none for another shell.
std::optional<std::string> completionScript(const std::string& shell, const std::vector<Command>& commands);
// The man page, in roff.
std::string manPage(const std::vector<Command>& commands);
// The README's command list: one "corvane USAGE" line per command, its summary indented below.
std::string commandList(const std::vector<Command>& commands);

}  // namespace corvane::cli
