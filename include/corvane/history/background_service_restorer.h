#pragma once
// Turning launch agents back on after their definition files were put back from the Trash: for each
// uninstall record, the agents it had paused are enabled and loaded again in the user's launchd domain,
// once both the definition and the program it runs are back in place.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "corvane/base/url.h"
#include "corvane/discovery/command_runner.h"
#include "corvane/formats/property_list.h"
#include "corvane/model/removal_records.h"

namespace corvane {

struct BackgroundServiceRestoreOutcome {
  std::string label;
  std::string plistPath;  // the restored definition file
  bool enabled = false;   // "enable" succeeded
  bool loaded = false;    // the service was already loaded, or "bootstrap" succeeded

  bool operator==(const BackgroundServiceRestoreOutcome&) const = default;
};

class BackgroundServiceRestorer {
 public:
  // A launch definition's top-level dictionary, or none.
  using ReadPlist = std::function<std::optional<PlistDictionary>(const std::string& path)>;
  using FileExists = std::function<bool(const std::string& path)>;

  // Launch definitions larger than this are not read.
  static constexpr std::size_t kMaxDefinitionBytes = 1u << 20;
  static constexpr const char* kLaunchctl = "/bin/launchctl";

  BackgroundServiceRestorer(const CommandRunning& runner, std::uint32_t uid, Url homeDirectory,
                            ReadPlist readPlist = &BackgroundServiceRestorer::readPlistFromDisk,
                            FileExists fileExists = {});

  // One outcome per paused agent whose definition (in the user's LaunchAgents folder, among
  // `restoredPaths`) and program are back, in record order then label order; a label is handled once.
  std::vector<BackgroundServiceRestoreOutcome> restoreJobs(const std::vector<UninstallRecord>& records,
                                                           const std::set<std::string>& restoredPaths) const;

  // The absolute program a definition runs: "Program" when it is a string (none unless it starts with
  // "/"), otherwise the first element of "ProgramArguments" (all strings, not empty) when absolute.
  static std::optional<std::string> program(const PlistDictionary& plist);

  // The file's top-level dictionary (XML or binary), or none when it cannot be read, does not parse or
  // is not a dictionary.
  static std::optional<PlistDictionary> readPlistFromDisk(const std::string& path);

 private:
  const CommandRunning& runner_;
  std::uint32_t uid_;
  Url homeDirectory_;
  ReadPlist readPlist_;
  FileExists fileExists_;
};

}  // namespace corvane
