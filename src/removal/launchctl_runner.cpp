#include "corvane/removal/launchctl_runner.h"

#include "corvane/removal/background_service_controller.h"

namespace corvane {

CommandRunning launchctlRunner(std::string launchctl) {
  auto resolve = [launchctl = std::move(launchctl)](const std::string& executable) {
    return executable == kLaunchctlPath ? launchctl : executable;
  };
  const CommandRunner real;
  return {[resolve, real](const std::string& e, const CommandRunning::Arguments& a) { return real.run(resolve(e), a); },
          [resolve, real](const std::string& e, const CommandRunning::Arguments& a) {
            return real.runWithStatus(resolve(e), a);
          }};
}

}  // namespace corvane
