#pragma once
// Text generated from the command table: shell completions and the man page, so that each command
// appears in them as it does in --help.

#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace corvane::cli {

// The completion script for "bash", "zsh" or "fish"; none for another shell.
std::optional<std::string> completionScript(const std::string& shell, const std::vector<Command>& commands);
// The man page, in roff.
std::string manPage(const std::vector<Command>& commands);

}  // namespace corvane::cli
