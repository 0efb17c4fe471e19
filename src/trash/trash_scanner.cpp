#include "corvane/trash/trash_scanner.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "base/hashing.h"
#include "platform/file_system.h"
#include "platform/folder_walk.h"
#include "platform/trash_entry.h"

namespace corvane {

TrashScanner::TrashScanner(std::shared_ptr<const platform::FileSystem> fileSystem, std::size_t folderSizeLimit)
    : fileSystem_(fileSystem ? std::move(fileSystem) : platform::sharedRealFileSystem()),
      folderSizeLimit_(folderSizeLimit) {}

TrashScanner::TrashScanResult TrashScanner::scan(const std::string& trashFolder) const {
  platform::ListOptions options;
  options.skipHidden = false;
  auto listing = fileSystem_->list(trashFolder, options);
  if (!listing.has_value()) {
    const int code = listing.error().code;
    return TrashScanResult{{}, code == EACCES || code == EPERM};
  }
  TrashScanResult result;
  for (const platform::FolderEntry& entry : listing->entries) {
    if (std::find(std::begin(kSkipNames), std::end(kSkipNames), entry.name) != std::end(kSkipNames)) continue;
    result.items.push_back(buildItem(trashFolder, entry.name));
  }
  return result;
}

TrashItem TrashScanner::buildItem(const std::string& folder, const std::string& name) const {
  TrashItem item;
  item.name = name;
  item.path = platform::childPath(folder, name);
  const auto status = fileSystem_->linkStatus(item.path);
  if (const auto added = platform::addedToFolderSeconds(item.path))
    item.dateTrashed = Date(std::chrono::seconds(*added));
  if (!status) return item;
  item.isSymlink = status->type() == platform::FileType::symlink;
  if (item.isSymlink) return item;
  item.isDirectory = status->type() == platform::FileType::directory;
  if (platform::isDatalessItem(item.path)) {
    item.isDataless = true;
    return item;
  }
  item.sizeBytes = item.isDirectory ? directoryAllocatedSize(item.path, status->allocatedSize)
                                    : std::optional<std::int64_t>(status->allocatedSize);
  return item;
}

// The folder's own size plus that of everything below it, links not followed nor counted; none when
// there are more entries than the limit.
std::optional<std::int64_t> TrashScanner::directoryAllocatedSize(const std::string& folder,
                                                                 std::int64_t base) const {
  platform::WalkLimits limits;
  limits.skipHidden = false;
  limits.sorted = false;
  limits.withStatus = true;
  std::int64_t total = base;
  std::size_t count = 0;
  bool tooLarge = false;
  const auto walked = fileSystem_->walk(folder, limits, [&](const platform::WalkItem& entry) {
    if (++count > folderSizeLimit_) {
      tooLarge = true;
      return platform::WalkStep::stop;
    }
    if (entry.type == platform::EntryType::symbolicLink ||
        (entry.status && entry.status->type() == platform::FileType::symlink))
      return platform::WalkStep::skipDescendants;
    if (entry.status) total += entry.status->allocatedSize;
    return platform::WalkStep::descend;
  });
  if (!walked.has_value()) return base >= 1 ? std::optional<std::int64_t>(base) : std::nullopt;
  if (tooLarge) return std::nullopt;
  return total;
}

}  // namespace corvane

std::size_t std::hash<corvane::TrashItem>::operator()(const corvane::TrashItem& v) const noexcept {
  return corvane::hashAll(v.name, v.path, v.isDirectory, v.isSymlink, v.sizeBytes, v.dateTrashed, v.isDataless);
}
