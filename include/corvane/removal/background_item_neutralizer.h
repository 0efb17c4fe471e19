#pragma once
// Turns off one leftover background item whose application is gone: marks its launchd service disabled,
// unloads it when launchd knew it, moves its per-user leftover files to the Trash, and words the result.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/removal/background_service_controller.h"
#include "corvane/discovery/command_runner.h"
#include "corvane/model/layout.h"

namespace corvane {

struct BackgroundItemNeutralizeOutcome {
  std::string label;
  bool refused = false;     // not a valid launchd label: nothing was run or moved
  bool wasRunning = false;  // launchd knew the service ("print" succeeded)
  bool stopped = false;     // "bootout" succeeded
  bool disabled = false;    // "disable" succeeded
  std::vector<std::string> trashedPaths;
  std::optional<std::string> displayName;  // absent: "this item"

  BackgroundItemNeutralizeOutcome() = default;
  BackgroundItemNeutralizeOutcome(std::string itemLabel, bool wasRefused, bool serviceWasRunning, bool wasStopped,
                                  bool wasDisabled, std::vector<std::string> pathsTrashed,
                                  std::optional<std::string> name)
      : label(std::move(itemLabel)),
        refused(wasRefused),
        wasRunning(serviceWasRunning),
        stopped(wasStopped),
        disabled(wasDisabled),
        trashedPaths(std::move(pathsTrashed)),
        displayName(std::move(name)) {}

  // What happened, in sentences for the user.
  std::string message() const;

  bool operator==(const BackgroundItemNeutralizeOutcome&) const = default;
};

class BackgroundItemNeutralizer {
 public:
  // Moves the leftover files of the item with this label to the Trash; returns the paths moved.
  using TrashLeftovers = std::function<std::vector<std::string>(const std::string& label)>;

  BackgroundItemNeutralizer(std::shared_ptr<const CommandRunning> runner, unsigned uid, TrashLeftovers trashLeftovers,
                            std::string launchctl = std::string(kLaunchctlPath));

  // Refuses an invalid label before anything runs; otherwise "print", "disable", then "bootout" only
  // when launchd knew the service, then the leftover sweep.
  BackgroundItemNeutralizeOutcome neutralize(const std::string& label,
                                             const std::optional<std::string>& displayName = std::nullopt) const;

  // The standard sweep: home/Library/Preferences/<label>.plist and home/Library/LaunchAgents/<label>.plist,
  // in that order, each moved to the Trash when it exists; the paths (where they were) of the moves that
  // succeeded. Failures are ignored, and an invalid label moves nothing.
  static std::vector<std::string> trashUserLeftovers(const std::string& label, const Layout& layout);
  // trashUserLeftovers for the layout's home, as a TrashLeftovers function.
  static TrashLeftovers userLeftovers(Layout layout);

  const std::shared_ptr<const CommandRunning>& runner() const { return runner_; }
  unsigned uid() const { return uid_; }

 private:
  std::shared_ptr<const CommandRunning> runner_;
  unsigned uid_ = 0;
  TrashLeftovers trashLeftovers_;
  std::string launchctl_;
};

}  // namespace corvane
