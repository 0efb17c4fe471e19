#include "corvane/removal/launchctl_runner.h"

#include "corvane/removal/background_service_controller.h"

namespace corvane {

namespace {

class LaunchctlRunner final : public CommandRunning {
 public:
  explicit LaunchctlRunner(std::string launchctl) : launchctl_(std::move(launchctl)) {}

  std::optional<std::string> run(const std::string& executable, const std::vector<std::string>& arguments) const override {
    return real_.run(resolve(executable), arguments);
  }
  CommandOutcome runWithStatus(const std::string& executable, const std::vector<std::string>& arguments) const override {
    return real_.runWithStatus(resolve(executable), arguments);
  }

 private:
  const std::string& resolve(const std::string& executable) const {
    return executable == kLaunchctlPath ? launchctl_ : executable;
  }

  std::string launchctl_;
  CommandRunner real_;
};

}  // namespace

std::shared_ptr<CommandRunning> launchctlRunner(std::string launchctl) {
  return std::make_shared<LaunchctlRunner>(std::move(launchctl));
}

}  // namespace corvane
