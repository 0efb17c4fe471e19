#pragma once
// Large, regenerable folders that developer tools leave in the user's Library (build products, device
// debug symbols, simulator and package caches). They belong to no single app, so they are listed apart
// from any analysis, each as a finding to review.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/model/file_finding.h"
#include "corvane/model/layout.h"
#include "corvane/base/url.h"
#include "corvane/platform/file_system.h"

namespace corvane {

class DevArtifactInspector {
 public:
  struct Location {
    std::string title;         // the category shown to the user
    std::string relativePath;  // the folder, relative to the home folder
    std::string explanation;   // why it is safe to remove
    bool enumerateChildren = false;  // true: each entry inside is a finding; false: the folder itself is one

    bool operator==(const Location&) const = default;
  };

  static constexpr int findingScore = 20;
  static constexpr std::string_view ownerExplanation =
      "Developer artifact. Remove only what you no longer use; nothing here is required for your apps to run.";

  // The fixed table: Xcode DerivedData, iOS/watchOS/tvOS DeviceSupport, simulator caches and the Swift
  // Package Manager cache.
  static std::vector<Location> standardLocations();

  // Folders are examined through `fileSystem`, this machine's when none is given.
  DevArtifactInspector() : locations(standardLocations()) {}
  explicit DevArtifactInspector(std::vector<Location> someLocations,
                                std::shared_ptr<const platform::FileSystem> fileSystem = nullptr)
      : locations(std::move(someLocations)), fileSystem_(std::move(fileSystem)) {}

  // Findings in table order and, inside a listed folder, in name order (hidden entries left out, as are
  // symbolic links that lead outside the folder). A location that is missing, not a folder or cannot be
  // listed gives nothing; a finding whose size or date cannot be read comes without them.
  std::vector<FileFinding> scan(const Url& home) const;
  // The same for the layout's home folder.
  std::vector<FileFinding> scan(const Layout& layout) const;

  std::vector<Location> locations;

  bool operator==(const DevArtifactInspector&) const = default;

 private:
  std::shared_ptr<const platform::FileSystem> fileSystem_;
};

}  // namespace corvane
