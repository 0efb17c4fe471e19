#include "corvane/trash/trash_scanner.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "base/hashing.h"
#include "corvane/analysis/size_rollup.h"
#include "corvane/platform/file_system.h"
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
  measureFolders(result.items);
  return result;
}

TrashItem TrashScanner::buildItem(const std::string& folder, const std::string& name) const {
  TrashItem item;
  item.name = name;
  item.path = platform::childPath(folder, name);
  const auto status = fileSystem_->linkStatus(item.path);
  if (const auto added = platform::addedToFolderSeconds(item.path); added.has_value())
    item.dateTrashed = Date(std::chrono::seconds(*added));
  if (!status.has_value()) return item;
  item.isSymlink = status->type() == platform::FileType::symlink;
  if (item.isSymlink) return item;
  item.isDirectory = status->type() == platform::FileType::directory;
  if (platform::isDatalessItem(item.path)) {
    item.isDataless = true;
    return item;
  }
  // A folder's size is its whole tree's, measured with the others afterwards.
  if (!item.isDirectory) item.sizeBytes = status->allocatedSize;
  return item;
}

// Each folder's whole tree through the size roll-up (hard links counted once, links neither followed nor
// counted, never onto another volume), several folders at once; a folder with more entries inside than the limit gets
// no size.
void TrashScanner::measureFolders(std::vector<TrashItem>& items) const {
  std::vector<std::string> paths;
  std::vector<TrashItem*> folders;
  for (auto& item : items) {
    if (!item.isDirectory || item.isDataless) continue;
    paths.push_back(item.path);
    folders.push_back(&item);
  }
  if (paths.empty()) return;
  SizeRollupOptions options;
  options.maxEntriesPerItem = folderSizeLimit_;
  options.countLinks = false;  // a link in the Trash frees next to nothing; what it points to is not freed
  const SizeRollup rollup = rollUpSizes(*fileSystem_, paths, options);
  for (std::size_t i = 0; i < folders.size(); ++i)
    if (rollup.totals[i]) folders[i]->sizeBytes = rollup.totals[i]->allocatedBytes;
}

}  // namespace corvane

std::size_t std::hash<corvane::TrashItem>::operator()(const corvane::TrashItem& v) const noexcept {
  return corvane::hashAll(v.name, v.path, v.isDirectory, v.isSymlink, v.sizeBytes, v.dateTrashed, v.isDataless);
}
