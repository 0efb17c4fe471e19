#pragma once
// Talks to launchd about the current user's background services: which of them are loaded, and pausing
// them (unload, then mark disabled) before an uninstall moves their files. Every service is addressed in
// the user's graphical domain, "gui/" + user id + "/" + label, with "/bin/launchctl" run through a
// CommandRunning and exactly two arguments: the subcommand and that target.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/discovery/command_runner.h"
#include "corvane/model/removal_records.h"

namespace corvane {

inline constexpr std::string_view kLaunchctlPath = "/bin/launchctl";

// "gui/501/com.example.agent".
std::string launchdUserTarget(unsigned userID, std::string_view label);

class BackgroundServiceController {
 public:
  // Why a service whose label launchd would not accept was left alone (nothing was run for it).
  static constexpr std::string_view kInvalidLabelDescription =
      "Its identifier is not a valid launchd label, so it was left alone.";

  // `userID` is the user whose domain is addressed (Layout::userID); `launchctl` the tool to run.
  BackgroundServiceController(std::shared_ptr<const CommandRunning> runner, unsigned userID,
                              std::string launchctl = std::string(kLaunchctlPath));

  // The labels launchd knows in the user's domain ("print" succeeds), in input order.
  std::vector<std::string> registeredUserServices(const std::vector<std::string>& labels) const;

  // One operation per label, in input order. A known service is unloaded ("bootout") and then marked
  // disabled ("disable", whose result is ignored); an unknown one is left alone without an error. A
  // label that is not a valid launchd label is never passed to launchctl.
  std::vector<BackgroundServiceOperation> pauseRegisteredUserServices(const std::vector<std::string>& labels) const;

  const std::shared_ptr<const CommandRunning>& runner() const { return runner_; }
  unsigned userID() const { return userID_; }
  const std::string& launchctl() const { return launchctl_; }

 private:
  CommandOutcome run(const std::string& subcommand, const std::string& label) const;

  std::shared_ptr<const CommandRunning> runner_;
  unsigned userID_ = 0;
  std::string launchctl_;
};

}  // namespace corvane
