#pragma once
// What Corvane can and cannot do on a Mac: the locations it reads and whether each is readable, the tools it
// uses and where it found them, and the health of the files it keeps. Only reads.

#include <optional>
#include <string>
#include <vector>

#include "corvane/analysis/location_access.h"
#include "corvane/model/layout.h"

namespace corvane {

struct DoctorCheck {
  struct Tool {
    std::string name;                 // "launchctl", "pkgutil", "brew"
    std::optional<std::string> path;  // where it was found; none when it was not
    std::string without;              // what is missed without it
    bool operator==(const Tool&) const = default;
  };
  struct StateFile {
    std::string name;    // "history", "weekly check", "freed sizes"
    std::string path;    // on this machine
    std::string health;  // "not written yet", "ok, 2 uninstalls", ...
    bool operator==(const StateFile&) const = default;
  };

  std::vector<LocationAccess> locations;  // searchedLocations(layout)
  std::vector<Tool> tools;
  std::vector<StateFile> stateFiles;
  // Where the system lets the user give access to denied folders; none where it has no such setting.
  std::optional<std::string> privacyHint;

  std::size_t count(Access access) const;
  bool operator==(const DoctorCheck&) const = default;
};

DoctorCheck checkSetup(const Layout& layout);

}  // namespace corvane
