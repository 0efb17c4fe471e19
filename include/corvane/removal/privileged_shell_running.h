#pragma once
// The way into administrator rights: the calling application supplies a runner that shows the system's
// administrator prompt and runs one shell command line as the administrator.
//
// Both types are plain so that an app in Swift (through C++ interop) can supply the runner and build its
// answer: a struct holding a callback, and a result tagged with its kind rather than a variant.

#include <functional>
#include <string>

#include "corvane/base/result.h"

namespace corvane {

// What the privileged runner reports for one command line.
struct PrivilegedRunResult {
  enum class Kind {
    succeeded,            // the command ran and finished
    executionFailed,      // the command ran and failed
    helperUnreachable,    // the privileged runner could not be reached
    helperIndeterminate,  // the outcome is unknown
    userCancelled,        // the user dismissed the administrator prompt
    otherFailure,         // anything else went wrong
  };

  Kind kind = Kind::succeeded;
  std::string message;  // what went wrong, for the runner's own records; empty for succeeded and userCancelled

  static PrivilegedRunResult success() { return {}; }
  static PrivilegedRunResult executionFailed(std::string text) { return {Kind::executionFailed, std::move(text)}; }
  static PrivilegedRunResult helperUnreachable(std::string text) { return {Kind::helperUnreachable, std::move(text)}; }
  static PrivilegedRunResult helperIndeterminate(std::string text) {
    return {Kind::helperIndeterminate, std::move(text)};
  }
  static PrivilegedRunResult userCancelled() { return {Kind::userCancelled, {}}; }
  static PrivilegedRunResult failure(const Error& error) { return {Kind::otherFailure, error.describe()}; }

  bool succeeded() const { return kind == Kind::succeeded; }
  bool operator==(const PrivilegedRunResult&) const = default;
};

// Runs one command line with administrator rights. On macOS the runner executes
// ElevatedTrashCommand::appleScriptSource(commandLine) (corvane/removal/elevated_trash_command.h); a dismissed
// prompt must come back as userCancelled.
// A runner without `run` is no runner: whoever holds one has no elevated path.
struct PrivilegedShellRunner {
  // The same callback as a plain function and its context, for callers that cannot build a std::function
  // (a Swift closure of @convention(c), with the context carrying its state). `result` starts as success;
  // the function overwrites it to report anything else.
  using RunFunction = void (*)(void* context, const char* commandLine, PrivilegedRunResult* result);

  std::function<PrivilegedRunResult(const std::string& commandLine)> run;

  static PrivilegedShellRunner fromFunction(RunFunction function, void* context) {
    if (function == nullptr) return {};
    return {[function, context](const std::string& commandLine) {
      PrivilegedRunResult result;
      function(context, commandLine.c_str(), &result);
      return result;
    }};
  }

  bool isAvailable() const { return static_cast<bool>(run); }
};

}  // namespace corvane
