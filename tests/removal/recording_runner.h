#pragma once
// A command runner for tests that stands in for launchctl: it records every call, in order, into a log
// that other fakes can share, and answers from a table keyed by "subcommand target".

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "corvane/discovery/command_runner.h"

namespace corvane::testing {

// The runner's callbacks point back at this object, so it is neither copied nor moved.
struct RecordingRunner : CommandRunning {
  explicit RecordingRunner(std::shared_ptr<std::vector<std::string>> sharedLog =
                               std::make_shared<std::vector<std::string>>())
      : CommandRunning{[this](const std::string& executable, const Arguments& arguments) {
                         CommandOutcome answered = answer(executable, arguments);
                         return answered.status == 0 ? std::optional(answered.output) : std::nullopt;
                       },
                       [this](const std::string& executable, const Arguments& arguments) {
                         return answer(executable, arguments);
                       }},
        log(std::move(sharedLog)) {}
  RecordingRunner(const RecordingRunner&) = delete;
  RecordingRunner& operator=(const RecordingRunner&) = delete;

  // "print gui/501/com.example.agent" -> outcome. Anything else answers `otherwise`.
  std::map<std::string, CommandOutcome> answers;
  // launchctl's answer for a service it does not know.
  CommandOutcome otherwise{113, "Could not find service \"x\" in domain for user gui: 501"};
  std::vector<std::string> executables;
  // Each call's arguments joined by spaces, such as "print gui/501/com.example.agent".
  std::shared_ptr<std::vector<std::string>> log;

 private:
  CommandOutcome answer(const std::string& executable, const Arguments& arguments) {
    executables.push_back(executable);
    std::string key;
    for (const auto& a : arguments) key += (key.empty() ? "" : " ") + a;
    log->push_back(key);
    auto found = answers.find(key);
    return found == answers.end() ? otherwise : found->second;
  }
};

}  // namespace corvane::testing
