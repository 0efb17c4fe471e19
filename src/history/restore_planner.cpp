#include <algorithm>
#include <array>
#include <string_view>

#include "base/ascii.h"
#include "corvane/history/restore.h"
#include "corvane/removal/trash_safety.h"

namespace corvane::RestorePlanner {

namespace {

constexpr std::array<std::string_view, 5> kDeniedFolders = {"/System", "/Library", "/bin", "/sbin", "/private/var/db"};

// A folder with one of these extensions is a bundle: its copy is named like a file, "Tool (restored).app".
constexpr std::array<std::string_view, 17> kBundleExtensions = {
    "app",      "bundle", "framework", "plugin",          "appex",         "kext",         "xpc",  "prefpane", "qlgenerator",
    "mdimporter", "saver", "component", "systemextension", "photoslibrary", "musiclibrary", "rtfd", "pkg"};

bool isAtOrBelow(std::string_view path, std::string_view folder) {
  return path == folder || (path.size() > folder.size() && path.substr(0, folder.size()) == folder &&
                            path[folder.size()] == '/');
}

std::string lowerCased(std::string_view text) {
  std::string out(text);
  for (auto& c : out) c = ascii::lower(c);
  return out;
}

bool isTrashOrInside(const std::string& folder, const std::vector<std::string>& roots) {
  for (const auto& root : roots) {
    auto normalized = TrashSafety::lexicalNormalize(root);
    if (folder == root || (normalized && folder == *normalized)) return true;
  }
  return TrashSafety::isInsideAnyTrash(folder, roots);
}

}  // namespace

bool isDenied(const std::string& path) {
  for (auto folder : kDeniedFolders)
    if (isAtOrBelow(path, folder)) return true;
  return isAtOrBelow(path, "/usr") && !isAtOrBelow(path, "/usr/local");
}

std::optional<std::string> firstFreeName(const std::string& base, const std::vector<std::string>& existing,
                                         bool isDirectory) {
  auto taken = [&](const std::string& name) { return std::find(existing.begin(), existing.end(), name) != existing.end(); };
  if (!taken(base)) return base;
  std::string stem = base;
  std::string extension;
  const auto dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) {
    const std::string candidate = base.substr(dot);
    const bool keep = !isDirectory || std::find(kBundleExtensions.begin(), kBundleExtensions.end(),
                                                lowerCased(candidate.substr(1))) != kBundleExtensions.end();
    if (keep) {
      stem = base.substr(0, dot);
      extension = candidate;
    }
  }
  for (int attempt = 1; attempt <= kFreeNameAttempts; ++attempt) {
    std::string name = stem + (attempt == 1 ? " (restored)" : " (restored " + std::to_string(attempt) + ")") + extension;
    if (!taken(name)) return name;
  }
  return std::nullopt;
}

RestoreDecision plan(const SourceFacts& source, const DestinationFacts& destination,
                                                 const PutBackInfo& putBack, const std::vector<std::string>& roots) {
  if (!TrashSafety::isInsideAnyTrash(source.resolvedLocation, roots)) return RestoreRejection::sourceNotInTrash;
  const std::string& folder = putBack.originalParent;
  const auto normalized = TrashSafety::lexicalNormalize(folder);
  // The folder as written (nothing tidied: ".", ".." and "//" are refused, not followed), and the Mac place
  // it stands for, which is what the denied folders are about under any layout.
  const std::string& onTheMac = destination.macPath.value_or(folder);
  if (!normalized || *normalized != folder || destination.outsideMac || onTheMac == "/" || isDenied(onTheMac))
    return RestoreRejection::destinationUntrusted;
  if (isTrashOrInside(folder, roots)) return RestoreRejection::restoreIntoTrash;
  if (!destination.exists) return RestoreRejection::destParentMissing;
  if (destination.isSymlink) return RestoreRejection::destParentSymlink;
  if (!destination.isDirectory) return RestoreRejection::destParentNotDir;
  if (!destination.isWritable) return RestoreRejection::destNotWritable;
  auto name = firstFreeName(putBack.originalName, destination.names, source.isDirectory);
  if (!name) return RestoreRejection::noFreeName;

  RestorePlan plan;
  plan.sourcePath = source.path;
  plan.destPath = folder + "/" + *name;
  plan.strategy = destination.stDev != source.stDev ? RestoreStrategy::copyVerifyRemove : RestoreStrategy::rename;
  const bool sized = !source.isDirectory && !source.isSymlink;
  plan.verify = VerifySpec{sized ? source.sizeBytes : std::nullopt, source.isSymlink, source.isDirectory};
  return plan;
}

}  // namespace corvane::RestorePlanner
