#pragma once
// Lists the top-level items of one Trash folder with their size on disk, when they were trashed and
// whether their content is only in the cloud. It only reads: it never changes the Trash.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/base/date.h"
#include "corvane/platform/file_system.h"

namespace corvane {

struct TrashItem {
  std::string name;  // the entry's name in the Trash folder
  std::string path;  // absolute
  bool isDirectory = false;  // a real folder, never a link
  bool isSymlink = false;
  // Allocated bytes (a folder's whole tree); none when unknown, for a link, for a cloud-only item and for
  // a folder too large to measure.
  std::optional<std::int64_t> sizeBytes;
  std::optional<Date> dateTrashed;
  bool isDataless = false;  // a cloud item whose content is not downloaded

  bool operator==(const TrashItem&) const = default;
};

class TrashScanner {
 public:
  struct TrashScanResult {
    std::vector<TrashItem> items;  // in listing order
    bool permissionDenied = false;  // the folder could not be listed for lack of permission
    bool operator==(const TrashScanResult&) const = default;
  };

  // Entries never listed.
  static constexpr std::string_view kSkipNames[] = {".DS_Store"};
  // A folder with more entries than this inside it is not measured.
  static constexpr std::size_t kFolderSizeLimit = 500000;

  // Folders are listed and measured through `fileSystem`, this machine's when none is given; folders with
  // more than `folderSizeLimit` entries inside are not measured.
  explicit TrashScanner(std::shared_ptr<const platform::FileSystem> fileSystem = nullptr,
                        std::size_t folderSizeLimit = kFolderSizeLimit);

  TrashScanResult scan(const std::string& trashFolder) const;

 private:
  TrashItem buildItem(const std::string& folder, const std::string& name) const;
  void measureFolders(std::vector<TrashItem>& items) const;

  std::shared_ptr<const platform::FileSystem> fileSystem_;
  std::size_t folderSizeLimit_;
};

}  // namespace corvane

template <>
struct std::hash<corvane::TrashItem> {
  std::size_t operator()(const corvane::TrashItem& v) const noexcept;
};
