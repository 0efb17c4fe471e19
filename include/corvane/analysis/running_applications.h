#pragma once
// The applications the current user is running: each with its bundle location and bundle identifier
// where they are known.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/base/url.h"

namespace corvane {

struct RunningApplication {
  std::optional<Url> bundleURL;
  std::optional<std::string> bundleIdentifier;
  bool operator==(const RunningApplication&) const = default;
};

namespace RunningApplications {

// The bundle an executable belongs to: "/x/Tool.app/Contents/MacOS/tool" -> "/x/Tool.app" (the innermost
// bundle when apps are nested). None for executables outside an application bundle.
std::optional<Url> bundleOfExecutable(std::string_view executablePath);

// Every running application of the current user, one entry per bundle.
std::vector<RunningApplication> list();

}  // namespace RunningApplications

}  // namespace corvane
