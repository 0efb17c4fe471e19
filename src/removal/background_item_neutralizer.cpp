#include "corvane/removal/background_item_neutralizer.h"

#include "corvane/discovery/launchd_label.h"
#include "corvane/removal/trash_moving.h"
#include "platform/directory.h"

namespace corvane {

std::string BackgroundItemNeutralizeOutcome::message() const {
  if (refused) return "Couldn't turn this item off: its identifier is not a valid launchd label.";
  std::string name = displayName ? "\"" + *displayName + "\"" : "this item";
  std::string text;
  if (disabled && wasRunning && stopped)
    text = "Stopped and turned off " + name + ", so it can no longer run at login.";
  else if (disabled)
    text = "Turned off " + name + ", so it can no longer run at login.";
  else
    text = "Tried to turn " + name + " off, but launchd did not confirm the change.";
  if (trashedPaths.size() == 1)
    text += " Moved its leftover settings file to the Trash (recoverable).";
  else if (trashedPaths.size() >= 2)
    text += " Moved " + std::to_string(trashedPaths.size()) + " leftover files to the Trash (recoverable).";
  text += " macOS keeps a small entry only you can remove, in System Settings > General > Login Items & Extensions.";
  return text;
}

BackgroundItemNeutralizer::BackgroundItemNeutralizer(std::shared_ptr<const CommandRunning> runner, unsigned uid,
                                                     TrashLeftovers trashLeftovers, std::string launchctl)
    : runner_(std::move(runner)),
      uid_(uid),
      trashLeftovers_(std::move(trashLeftovers)),
      launchctl_(std::move(launchctl)) {}

BackgroundItemNeutralizeOutcome BackgroundItemNeutralizer::neutralize(
    const std::string& label, const std::optional<std::string>& displayName) const {
  BackgroundItemNeutralizeOutcome outcome;
  outcome.label = label;
  outcome.displayName = displayName;
  if (!LaunchdLabel::isValid(label)) {
    outcome.refused = true;
    return outcome;
  }
  const std::string target = launchdUserTarget(uid_, label);
  // Disabled before it is unloaded, so that nothing can load it again in between.
  outcome.wasRunning = runner_->runWithStatus(launchctl_, {"print", target}).status == 0;
  outcome.disabled = runner_->runWithStatus(launchctl_, {"disable", target}).status == 0;
  if (outcome.wasRunning) outcome.stopped = runner_->runWithStatus(launchctl_, {"bootout", target}).status == 0;
  if (trashLeftovers_) outcome.trashedPaths = trashLeftovers_(label);
  return outcome;
}

std::vector<std::string> BackgroundItemNeutralizer::trashUserLeftovers(const std::string& label,
                                                                       const Layout& layout) {
  std::vector<std::string> moved;
  // The label becomes part of a path: one that could name another folder is never used.
  if (!LaunchdLabel::isValid(label)) return moved;
  FileManagerTrashMover mover(layout);
  for (const char* folder : {"Library/Preferences/", "Library/LaunchAgents/"}) {
    std::string path = layout.underHome(folder + label + ".plist");
    if (!platform::itemExists(path)) continue;
    if (mover.moveToTrash(Url::fileURL(path)).has_value()) moved.push_back(path);
  }
  return moved;
}

BackgroundItemNeutralizer::TrashLeftovers BackgroundItemNeutralizer::userLeftovers(Layout layout) {
  return [layout = std::move(layout)](const std::string& label) { return trashUserLeftovers(label, layout); };
}

}  // namespace corvane
