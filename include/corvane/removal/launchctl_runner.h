#pragma once
// A runner for launchctl at another place: the library names "/bin/launchctl"; a copied Mac has no launchd
// of its own, so a stand-in takes its place.

#include <string>

#include "corvane/discovery/command_runner.h"

namespace corvane {

// Runs every tool as the real runner does, except that "/bin/launchctl" becomes `launchctl`.
CommandRunning launchctlRunner(std::string launchctl);

}  // namespace corvane
