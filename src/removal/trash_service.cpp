#include "corvane/removal/trash_service.h"

#include "platform/directory.h"
#include "platform/fs_ops.h"

namespace corvane {

TrashService::TrashService(TrashMoving trashMover, FailureContext contextOfFailure,
                           Relocate relocation, Url trashFolder, FileExists existence)
    : mover(std::move(trashMover)),
      failureContext(std::move(contextOfFailure)),
      relocate(std::move(relocation)),
      trashDirectory(std::move(trashFolder)),
      fileExists(std::move(existence)) {}

TrashService TrashService::system(const Layout& layout) {
  auto context = [layout, checks = FileAccessChecks::system()](const Url& url) {
    return RemovalFailureClassifier::context(url, layout, checks);
  };
  auto relocation = [](const Url& source, const Url& destination) {
    return platform::renameExclusive(source.path(), destination.path());
  };
  auto existence = [](const Url& url) { return platform::itemExists(url.path()); };
  return TrashService(FileManagerTrashMover(layout), context, relocation,
                      Url::fileURL(layout.userTrash()), existence);
}

std::vector<TrashOperation> TrashService::moveToTrash(const std::vector<Url>& urls) const {
  std::vector<TrashOperation> operations;
  operations.reserve(urls.size());
  std::set<std::string> used;
  for (const auto& url : urls) {
    auto moved = mover.moveToTrash(url);
    if (moved.has_value()) {
      operations.push_back(TrashOperation::success(url, *moved));
      continue;
    }
    // The system refused: put the item into the Trash folder ourselves. Only the system's error is
    // ever shown; the fallback's own failure stays silent.
    Url destination = uniqueTrashDestination(url.lastPathComponent(), used);
    if (relocate(url, destination).has_value() && fileExists(destination)) {
      operations.push_back(TrashOperation::success(url, destination));
      continue;
    }
    operations.push_back(TrashOperation::failure(url, moved.error().describe(),
                                                 RemovalFailureClassifier::reason(failureContext(url))));
  }
  return operations;
}

Url TrashService::uniqueTrashDestination(const std::string& name, std::set<std::string>& used) const {
  return uniqueDestination(trashDirectory, name, used, fileExists);
}

std::string TrashService::candidateName(const std::string& name, std::uint64_t n) {
  if (n <= 1) return name;
  std::string extension = Url::fileURL("/" + name).pathExtension();
  std::string base = extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
  std::string candidate = base + " " + std::to_string(n);
  if (!extension.empty()) candidate += "." + extension;
  return candidate;
}

Url TrashService::uniqueDestination(const Url& folder, const std::string& name, std::set<std::string>& used,
                                    const FileExists& fileExists) {
  for (std::uint64_t n = 1;; ++n) {
    std::string candidate = candidateName(name, n);
    if (used.count(candidate) != 0) continue;
    Url destination = folder.appending(candidate);
    if (fileExists(destination)) continue;
    used.insert(candidate);
    return destination;
  }
}

}  // namespace corvane
