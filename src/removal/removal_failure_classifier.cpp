#include "corvane/removal/removal_failure_classifier.h"

namespace corvane::RemovalFailureClassifier {

RemovalFailureContext context(const Url& url, const Layout& layout, const FileAccessChecks& checks) {
  std::string path = url.path();
  auto presence = checks.presence(path);
  bool parentWritable = checks.isWritable(url.deletingLastPathComponent().path());
  bool itemWritable = checks.isWritable(path);
  bool underProtected = isUnderProtectedUserLocation(url, Url::fileURL(layout.home));
  return RemovalFailureContext(presence.exists, parentWritable, underProtected, itemWritable,
                               presence.isDirectory);
}

RemovalFailureReason reason(const RemovalFailureContext& context) {
  if (!context.itemExists) return RemovalFailureReason::itemMissing;
  if (context.underProtectedUserLocation) return RemovalFailureReason::fullDiskAccess;
  if (!context.parentWritable) return RemovalFailureReason::needsAdministrator;
  if (context.isDirectory && !context.itemWritable) return RemovalFailureReason::needsAdministrator;
  return RemovalFailureReason::other;
}

bool isUnderProtectedUserLocation(const Url& url, const Url& home) {
  std::string path = url::standardizedPath(url.rawPath());
  std::string homePath = url::standardizedPath(home.rawPath());
  if (homePath == "/") homePath.clear();
  for (auto entry : kProtectedUserLocations) {
    std::string root = homePath + std::string(entry);
    if (path == root || path.compare(0, root.size() + 1, root + "/") == 0) return true;
  }
  return false;
}

}  // namespace corvane::RemovalFailureClassifier
