#pragma once
// The way into administrator rights: the calling application supplies a runner that shows the system's
// administrator prompt and runs one shell command line as the administrator.

#include <string>
#include <variant>

#include "corvane/result.h"

namespace corvane {

struct PrivilegedRemovalError {
  enum class Kind {
    executionFailed,      // the command ran and failed
    helperUnreachable,    // the privileged runner could not be reached
    helperIndeterminate,  // the outcome is unknown
    userCancelled,        // the user dismissed the administrator prompt
  };

  Kind kind = Kind::executionFailed;
  std::string message;  // empty for userCancelled

  static PrivilegedRemovalError executionFailed(std::string text) { return {Kind::executionFailed, std::move(text)}; }
  static PrivilegedRemovalError helperUnreachable(std::string text) {
    return {Kind::helperUnreachable, std::move(text)};
  }
  static PrivilegedRemovalError helperIndeterminate(std::string text) {
    return {Kind::helperIndeterminate, std::move(text)};
  }
  static PrivilegedRemovalError userCancelled() { return {Kind::userCancelled, {}}; }

  bool operator==(const PrivilegedRemovalError&) const = default;
};

// Success, one of the runner's own failures, or any other error.
using PrivilegedRunResult = std::variant<Ok, PrivilegedRemovalError, Error>;

class PrivilegedShellRunning {
 public:
  virtual ~PrivilegedShellRunning() = default;
  // Runs the command line with administrator rights. On macOS the runner executes
  // ElevatedTrashCommand::appleScriptSource(commandLine); a dismissed prompt must come back as userCancelled.
  virtual PrivilegedRunResult run(const std::string& commandLine) = 0;
};

}  // namespace corvane
