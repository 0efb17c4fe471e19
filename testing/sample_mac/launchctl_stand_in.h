#pragma once
// A stand-in for launchctl in a sample Mac: a shell script that logs every call (one line each, "launchctl
// ARGS...") and remembers which services are loaded (one file per label), so that pausing a service and
// turning it on again can be followed. "bootstrap" takes the label from the definition's file name, as
// the sample Mac names its launch definitions.

#include <string>
#include <vector>

namespace corvane::testing {

struct LaunchctlStandIn {
  std::string script;    // the executable to pass as --launchctl
  std::string callsLog;  // the calls, one per line

  // Writes the script into `folder` with `loaded` services loaded.
  static LaunchctlStandIn write(const std::string& folder, const std::vector<std::string>& loaded);
  // The logged calls from line `from` on.
  std::vector<std::string> calls(std::size_t from = 0) const;
};

}  // namespace corvane::testing
