#include "corvane/removal/trash_locator.h"

#include <utility>

#include "corvane/discovery/app_discovery_service.h"
#include "corvane/removal/trash_safety.h"
#include "platform/directory.h"
#include "platform/file_status.h"

namespace corvane {

TrashLocator::TrashLocator(Layout layout, MountPointLister mountPoints)
    : layout_(std::move(layout)), mountPoints_(std::move(mountPoints)) {}

std::vector<std::string> TrashLocator::externalVolumeMountPoints() const {
  if (mountPoints_) return mountPoints_();
  const AppDiscoveryService discovery(layout_);
  std::vector<std::string> out;
  for (const auto& volume : discovery.qualifyingExternalVolumes(discovery.mountedVolumeFacts()))
    out.push_back(volume.url.path());
  return out;
}

std::vector<TrashLocator::Root> TrashLocator::discoverRoots() const {
  const std::optional<std::string> home = resolvedRealPath(layout_.userTrash());
  if (!home) return {};
  std::vector<Root> roots{Root{*home, "/", true}};
  for (const std::string& mountPoint : externalVolumeMountPoints()) {
    std::string candidate = mountPoint;
    if (candidate.empty() || candidate.back() != '/') candidate += '/';
    candidate += ".Trashes/" + std::to_string(layout_.userID);
    // A Trash folder reached through a link, or one the user does not own, is not the user's.
    if (resolvedRealPath(candidate) != candidate) continue;
    const auto status = platform::linkStatus(candidate);
    if (!status || status->type() != platform::FileType::directory || status->uid != layout_.userID) continue;
    roots.push_back(Root{std::move(candidate), mountPoint, false});
  }
  return roots;
}

std::vector<std::string> TrashLocator::discoverTrashRoots() const {
  std::vector<std::string> out;
  for (Root& root : discoverRoots()) out.push_back(std::move(root.path));
  return out;
}

std::optional<TrashLocator::Root> TrashLocator::root(const std::string& containing, const std::vector<Root>& in) {
  for (const Root& candidate : in)
    if (TrashSafety::isInsideAnyTrash(containing, {candidate.path})) return candidate;
  return std::nullopt;
}

std::optional<std::string> TrashLocator::resolvedRealPath(const std::string& path) {
  return valueIfAny(platform::realPath(path));
}

}  // namespace corvane
