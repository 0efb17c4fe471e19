#include "corvane/discovery/command_runner.h"

#include "discovery/tool_output.h"
#include "platform/process.h"

namespace corvane {

namespace {

std::optional<std::string> standardOutput(const std::string& executable, const std::vector<std::string>& arguments) {
  platform::ProcessOutcome outcome = platform::runProcess(executable, arguments, platform::ErrorStream::discarded);
  if (outcome.launchError != 0 || outcome.status != 0) return std::nullopt;
  if (!tool_output::isValidUTF8(outcome.output)) return std::nullopt;
  return std::string(outcome.output.begin(), outcome.output.end());
}

CommandOutcome statusAndOutput(const std::string& executable, const std::vector<std::string>& arguments) {
  platform::ProcessOutcome outcome = platform::runProcess(executable, arguments, platform::ErrorStream::intoOutput);
  if (outcome.launchError != 0) return CommandOutcome{-1, outcome.launchFailure};
  std::string text;
  if (tool_output::isValidUTF8(outcome.output)) text.assign(outcome.output.begin(), outcome.output.end());
  return CommandOutcome{outcome.status, tool_output::trimmedWhitespaceAndNewlines(text)};
}

}  // namespace

CommandRunner::CommandRunner() : CommandRunning{standardOutput, statusAndOutput} {}

}  // namespace corvane
