#include "corvane/discovery/dev_artifact_inspector.h"

#include <chrono>
#include <optional>

#include "platform/file_status.h"
#include "corvane/platform/file_system.h"

namespace corvane {

namespace {

// One finding for the item at `url`, as listed (not resolved). Size and date are the item's own: a
// folder's size is its entry's, never the total of its contents.
FileFinding makeFinding(const platform::FileSystem& fs, const Url& url, const std::string& category,
                        const std::string& explanation) {
  std::optional<std::int64_t> byteCount;
  std::optional<Date> modifiedAt;
  if (auto status = fs.linkStatus(url.path()); status.has_value()) {
    byteCount = status->allocatedSize;
    modifiedAt = Date(std::chrono::seconds(status->modifiedSeconds));
  }
  std::vector<MatchEvidence> evidence;
  evidence.emplace_back(EvidenceKind::location, category + ": " + explanation, 0);
  evidence.emplace_back(EvidenceKind::noInstalledOwner, std::string(DevArtifactInspector::ownerExplanation), 0);
  return FileFinding::make(url, FindingKind::other, FindingConfidence::review, DevArtifactInspector::findingScore,
                           std::move(evidence), byteCount, modifiedAt, false, std::nullopt,
                           valueIfAny(fs.diskIdentity(url.path())));
}

// The path with its links resolved as the layout's Mac resolves them. An entry whose link leads nowhere
// keeps its own name under its resolved folder, as the system's resolution leaves a component it cannot
// follow.
std::optional<std::string> resolved(const platform::FileSystem& fs, const Layout& layout, const std::string& folder,
                                    const std::string& name) {
  if (auto real = fs.resolvedPath(layout, folder + "/" + name); real.has_value()) return *real;
  auto realFolder = fs.resolvedPath(layout, folder);
  if (!realFolder.has_value()) return std::nullopt;
  return url::standardizedPath(*realFolder + "/" + name);
}

bool isInside(const std::string& path, const std::string& root) {
  if (path == root) return true;
  if (root == "/") return true;
  return path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/';
}

}  // namespace

std::vector<DevArtifactInspector::Location> DevArtifactInspector::standardLocations() {
  return {
      {"Xcode DerivedData", "Library/Developer/Xcode/DerivedData",
       "Build products and indexes. Xcode regenerates these on the next build.", true},
      {"iOS DeviceSupport", "Library/Developer/Xcode/iOS DeviceSupport",
       "Debug symbols for iOS versions. Regenerated when a device reconnects.", true},
      {"watchOS DeviceSupport", "Library/Developer/Xcode/watchOS DeviceSupport",
       "Debug symbols for watchOS versions. Regenerated when a device reconnects.", true},
      {"tvOS DeviceSupport", "Library/Developer/Xcode/tvOS DeviceSupport",
       "Debug symbols for tvOS versions. Regenerated when a device reconnects.", true},
      {"Simulator caches", "Library/Developer/CoreSimulator/Caches",
       "Cached simulator runtime data. Rebuilt as needed.", false},
      {"Swift Package Manager cache", "Library/Caches/org.swift.swiftpm",
       "Downloaded package checkouts and binaries. Re-fetched on the next resolve.", false},
  };
}

std::vector<FileFinding> DevArtifactInspector::scan(const Url& home) const {
  Layout layout;
  layout.home = home.path();
  return scan(layout);
}

std::vector<FileFinding> DevArtifactInspector::scan(const Layout& layout) const {
  const platform::FileSystem& fs = fileSystem_ ? *fileSystem_ : platform::realFileSystem();
  std::vector<FileFinding> findings;
  for (const Location& location : locations) {
    std::string folder = layout.underHome(location.relativePath);
    auto realFolder = fs.realPath(folder);  // a link to a folder counts as the folder
    if (!realFolder.has_value()) continue;
    auto folderStatus = fs.linkStatus(*realFolder);
    if (!folderStatus.has_value() || folderStatus->type() != platform::FileType::directory) continue;

    if (!location.enumerateChildren) {
      findings.push_back(makeFinding(fs, Url::fileURL(folder), location.title, location.explanation));
      continue;
    }

    auto realRoot = fs.resolvedPath(layout, folder);
    if (!realRoot.has_value()) continue;
    const std::string& root = *realRoot;
    auto listing = fs.list(folder, {.skipHidden = true, .sorted = true});
    if (!listing.has_value()) continue;
    for (const auto& entry : listing->entries) {
      const std::string& name = entry.name;
      auto entryPath = resolved(fs, layout, folder, name);
      if (!entryPath || !isInside(*entryPath, root)) continue;  // a link that leads out of the folder
      findings.push_back(
          makeFinding(fs, Url::fileURL(folder + "/" + name), location.title, location.explanation));
    }
  }
  return findings;
}

}  // namespace corvane
