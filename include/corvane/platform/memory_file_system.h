#pragma once
// A file system held in memory, for tests and previews that need no disk: folders, files and links added by
// absolute path, listed and walked as the real one does (hidden items are those whose name begins with a dot).

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "corvane/platform/file_system.h"

namespace corvane::platform {

class MemoryFileSystem final : public FileSystem {
 public:
  // Each adds the missing folders above the item too, modified when the item was.
  void addFolder(const std::string& path, std::int64_t modifiedSeconds = 0);
  void addFile(const std::string& path, std::string contents = {}, std::int64_t modifiedSeconds = 0);
  void addLink(const std::string& path, std::string target, std::int64_t modifiedSeconds = 0);
  // Listing the folder (and so walking into it) then fails with EACCES, as for a folder of another user.
  void denyListing(const std::string& folder) { denied_.insert(folder); }

  Result<Listing> list(const std::string& folder, const ListOptions& options) const override;
  Status walk(const std::string& root, const WalkLimits& limits,
              const WalkVisitor& visit) const override;
  Result<FileStatus> linkStatus(const std::string& path) const override;
  Result<DiskIdentity> diskIdentity(const std::string& path) const override;
  Result<std::string> readLink(const std::string& path) const override;
  Result<std::string> realPath(const std::string& path) const override;
  Result<std::vector<std::uint8_t>> readFile(const std::string& path, std::size_t maxBytes) const override;
  Status renameExclusive(const std::string& from, const std::string& to) const override;

 private:
  struct Node {
    EntryType type = EntryType::directory;
    std::string data;  // a file's bytes, a link's target
    std::int64_t modifiedSeconds = 0;
    std::uint64_t inode = 0;
  };
  void add(const std::string& path, Node node);
  // The node at `path` with the links above it followed (not a final one); null when missing.
  const Node* find(const std::string& path, std::string* physical = nullptr) const;

  mutable std::map<std::string, Node> nodes_{{"/", Node{}}};
  std::uint64_t nextInode_ = 2;
  std::set<std::string> denied_;
};

}  // namespace corvane::platform
