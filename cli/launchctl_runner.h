#pragma once
// The tool's runner for launchctl: the library names "/bin/launchctl"; `--launchctl PATH` puts a stand-in
// in its place (a sample Mac has no launchd of its own).

#include <memory>
#include <string>

#include "corvane/discovery/command_runner.h"

namespace corvane::cli {

// Runs every tool as the real runner does, except that "/bin/launchctl" becomes `launchctl`.
std::unique_ptr<CommandRunning> launchctlRunner(std::string launchctl);

}  // namespace corvane::cli
