#pragma once
// Homebrew casks: which installed cask stands for an application, and handing a cask to Homebrew's own
// uninstall so that its records agree with the disk after the app went to the Trash. This is the one
// place where an outside tool removes files for good; the library never starts it on its own.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/discovery/command_runner.h"

namespace corvane {

struct HomebrewCaskUninstallResult {
  bool succeeded = false;  // the uninstall ran and exited with status 0
  std::string output;      // its combined, trimmed output, or one of the inspector's own messages

  bool operator==(const HomebrewCaskUninstallResult&) const = default;
};

class HomebrewInspector {
 public:
  static constexpr std::string_view noTokenMessage = "No Homebrew cask token to reconcile.";
  static constexpr std::string_view notFoundMessage = "Homebrew was not found; nothing to reconcile.";

  // `brewPaths`: absolute paths of the brew tool, tried in order (the caller chooses them).
  HomebrewInspector(std::shared_ptr<const CommandRunning> runner, std::vector<std::string> brewPaths);

  // The installed cask tokens in Homebrew's order ("brew list --cask" at the first path that answers);
  // empty when no path answers.
  std::vector<std::string> installedCaskTokens() const;

  // The first token whose normalised form equals the app name's; none for a name without letters or
  // digits.
  static std::optional<std::string> matchingCaskToken(std::string_view appName,
                                                      const std::vector<std::string>& caskTokens);

  // matchingCaskToken over installedCaskTokens().
  std::optional<std::string> caskToken(std::string_view appName) const;

  // "brew uninstall --cask --force <token>" at the first path that can be launched.
  HomebrewCaskUninstallResult uninstallCask(std::string_view token) const;

  // Lower-cased, with only letters and numbers (of any script) kept: "Sample Studio Pro" and
  // "sample-studio-pro" both give "samplestudiopro".
  static std::string normalize(std::string_view text);

  const std::shared_ptr<const CommandRunning>& runner() const { return runner_; }
  const std::vector<std::string>& brewPaths() const { return brewPaths_; }

  bool operator==(const HomebrewInspector&) const = default;

 private:
  std::shared_ptr<const CommandRunning> runner_;
  std::vector<std::string> brewPaths_;
};

}  // namespace corvane
