#include "corvane/trash/app_trash_mutator.h"

#include "platform/directory.h"
#include "corvane/removal/elevated_trash_command.h"

namespace corvane {

namespace {

constexpr const char* kNotInTrash = "The item is not inside the Trash.";
constexpr const char* kNoPrompt = "No administrator prompt is available.";
constexpr const char* kCancelled = "The administrator prompt was cancelled.";

}  // namespace

// The command first enters the Trash folder and checks that it really is that folder, then removes each
// item by its name there: a Trash folder swapped for a link after the check cannot redirect the removal.
AppTrashMutator::RootDeleteStep privilegedRootDeletion(PrivilegedShellRunner runner, Layout layout) {
  return [runner = std::move(runner), layout = std::move(layout)](const std::vector<std::string>& paths) {
    std::map<std::string, AppTrashMutator::RootDeleteOutcome> results;
    const auto trash = platform::realPath(layout.userTrash());
    std::vector<std::pair<std::string, std::string>> admitted;  // (path as given, name in the Trash)
    for (const auto& path : paths) {
      const auto slash = path.rfind('/');
      const std::string name = slash == std::string::npos ? std::string() : path.substr(slash + 1);
      const auto parent =
          slash == std::string::npos ? std::nullopt : valueIfAny(platform::realPath(path.substr(0, slash)));
      if (!trash.has_value() || !parent || *parent != *trash || name.empty() || name == "." || name == "..") {
        results[path] = {false, kNotInTrash};
        continue;
      }
      admitted.emplace_back(path, name);
    }
    if (admitted.empty()) return results;

    std::string command = "cd -P -- " + ElevatedTrashCommand::shellQuote(*trash) + " && [ \"$(pwd -P)\" = " +
                          ElevatedTrashCommand::shellQuote(*trash) + " ] && /bin/rm -rf --";
    for (const auto& [path, name] : admitted) command += " " + ElevatedTrashCommand::shellQuote("./" + name);
    const PrivilegedRunResult ran = runner.isAvailable() ? runner.run(command) : PrivilegedRunResult::helperUnreachable(kNoPrompt);

    for (const auto& [path, name] : admitted) {
      // Only the file system says what happened: a command stopped part-way may have removed some.
      if (!platform::itemExists(*trash + "/" + name)) {
        results[path] = {true, std::nullopt};
      } else if (ran.kind == PrivilegedRunResult::Kind::userCancelled) {
        results[path] = {false, kCancelled};
      } else if (!runner.isAvailable()) {
        results[path] = {false, kNoPrompt};
      } else {
        results[path] = {false, AppTrashMutator::kNotRemovedNote};
      }
    }
    return results;
  };
}

}  // namespace corvane
