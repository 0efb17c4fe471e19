#pragma once
// The terminal and the environment the tool was started with.

#include <optional>
#include <string>

namespace corvane::platform {

// Whether standard output / standard error is a terminal.
bool standardOutputIsTerminal();
bool standardErrorIsTerminal();
// The variable's value, none when it is not set.
std::optional<std::string> environmentVariable(const char* name);

}  // namespace corvane::platform
