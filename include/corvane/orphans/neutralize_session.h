#pragma once
// Turning off a leftover background item of an app that is gone, as the app and the command-line tool both
// run it: `plan` checks that the label names a login item whose app is gone (only reads); `perform` disables
// its launchd service, stops it, moves its settings files to the Trash and remembers the label, so that
// later orphan scans no longer list it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvane/base/result.h"
#include "corvane/discovery/background_item_record.h"
#include "corvane/discovery/command_runner.h"
#include "corvane/model/layout.h"
#include "corvane/removal/background_item_neutralizer.h"

namespace corvane {

struct NeutralizeCollaborators {
  CommandRunning commandRunner;
  std::string launchctl;
  // Moves the item's leftover files to the Trash.
  BackgroundItemNeutralizer::TrashLeftovers trashLeftovers;

  // This machine for `layout`: the real runner, launchctl at `launchctl`, the home's leftover sweep.
  static NeutralizeCollaborators system(const Layout& layout, std::string launchctl = std::string(kLaunchctlPath));
};

struct NeutralizePlan {
  enum class Kind {
    ready,           // `record` is a login item of a removed app
    incompleteScan,  // some application folders could not be read: no app can be told gone
    notLeftover,     // the label names no leftover login item of a removed app
  };

  Kind kind = Kind::notLeftover;
  std::string label;
  std::vector<std::string> unreadableApplicationFolders;  // for incompleteScan
  std::optional<BackgroundItemRecord> record;             // for ready
};

struct NeutralizeResult {
  enum class Kind {
    neutralized,     // launchd keeps the service off and the label is remembered
    notTurnedOff,    // the label was refused, or launchd did not disable the service; nothing is remembered
    notRemembered,   // turned off, but the label could not be remembered (`rememberError`)
    notReady,        // the plan was not ready: nothing was done
  };

  Kind kind = Kind::notReady;
  BackgroundItemNeutralizeOutcome outcome;
  std::optional<Error> rememberError;
};

class NeutralizeSession {
 public:
  NeutralizeSession(Layout layout, NeutralizeCollaborators collaborators);

  NeutralizePlan plan(const std::string& label) const;
  NeutralizeResult perform(const NeutralizePlan& plan) const;

 private:
  Layout layout_;
  NeutralizeCollaborators collaborators_;
};

}  // namespace corvane
