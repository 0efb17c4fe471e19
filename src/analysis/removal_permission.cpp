#include "corvane/analysis/removal_permission.h"

namespace corvane::RemovalPermission {

bool requiresAdministrator(const Url& url, const FileAccessChecks& fileManager) {
  std::string path = url.path();
  auto presence = fileManager.presence(path);
  if (!presence.exists) return false;
  if (!fileManager.isWritable(url.deletingLastPathComponent().path())) return true;
  if (!presence.isDirectory) return false;
  return !fileManager.isWritable(path);
}

}  // namespace corvane::RemovalPermission
