// Lists the applications of an empty Mac tree (links discovery and everything below it), then builds the
// administrator script for one bundle, as the Mac app's privileged runner does for each command line.
#include <iostream>

#include <corvane/base/version.h>
#include <corvane/discovery/app_discovery_service.h>
#include <corvane/removal/elevated_trash_command.h>
#include <corvane/removal/privileged_shell_running.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  corvane::AppDiscoveryService discovery(corvane::Layout::at(argv[1], std::string(argv[1]) + "/home"));
  std::cout << "Corvane " << corvane::version() << ": " << discovery.discover().size() << " applications\n";

  std::string script;
  corvane::PrivilegedShellRunner runner{[&script](const std::string& commandLine) {
    script = corvane::ElevatedTrashCommand::appleScriptSource(commandLine);
    return corvane::PrivilegedRunResult::userCancelled();
  }};
  const std::string line = corvane::ElevatedTrashCommand::command(
      {{"/Applications/Tool.app", "/Users/u/.Trash/Tool.app-moving-1"}}, 501, 20);
  (void)runner.run(line);
  std::cout << script << "\n";
  return 0;
}
