#include "corvane/removal/background_service_controller.h"

#include "corvane/discovery/launchd_label.h"

namespace corvane {

std::string launchdUserTarget(unsigned userID, std::string_view label) {
  return "gui/" + std::to_string(userID) + "/" + std::string(label);
}

BackgroundServiceController::BackgroundServiceController(std::shared_ptr<const CommandRunning> runner,
                                                         unsigned userID, std::string launchctl)
    : runner_(std::move(runner)), userID_(userID), launchctl_(std::move(launchctl)) {}

CommandOutcome BackgroundServiceController::run(const std::string& subcommand, const std::string& label) const {
  return runner_->runWithStatus(launchctl_, {subcommand, launchdUserTarget(userID_, label)});
}

std::vector<std::string> BackgroundServiceController::registeredUserServices(
    const std::vector<std::string>& labels) const {
  std::vector<std::string> known;
  for (const auto& label : labels)
    if (run("print", label).status == 0) known.push_back(label);
  return known;
}

std::vector<BackgroundServiceOperation> BackgroundServiceController::pauseRegisteredUserServices(
    const std::vector<std::string>& labels) const {
  std::vector<BackgroundServiceOperation> operations;
  operations.reserve(labels.size());
  for (const auto& label : labels) {
    BackgroundServiceOperation operation;
    operation.serviceIdentifier = label;
    if (!LaunchdLabel::isValid(label)) {
      operation.errorDescription = std::string(kInvalidLabelDescription);
      operations.push_back(std::move(operation));
      continue;
    }
    if (run("print", label).status != 0) {
      operations.push_back(std::move(operation));
      continue;
    }
    operation.wasRegistered = true;
    CommandOutcome bootout = run("bootout", label);
    run("disable", label);
    operation.paused = bootout.status == 0;
    if (!operation.paused) {
      operation.errorDescription = !bootout.output.empty()
                                       ? bootout.output
                                       : "launchctl exited with status " + std::to_string(bootout.status) + ".";
    }
    operations.push_back(std::move(operation));
  }
  return operations;
}

}  // namespace corvane
