#pragma once
// The launch agent that runs the departure watcher at login, and again after a crash: its label and its
// property list, which the user installs in ~/Library/LaunchAgents.

#include <string>

#include "corvane/model/layout.h"

namespace corvane {

struct WatchLaunchAgent {
  static constexpr const char* kLabel = "com.corvane.watch";
  static constexpr const char* kDefaultProgram = "/usr/local/bin/corvane";

  // The property list of an agent that runs `program watch`, logging to ~/Library/Logs/Corvane/watch.log.
  static std::string propertyList(const std::string& program, const Layout& layout);
};

}  // namespace corvane
