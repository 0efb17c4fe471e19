#include "corvane/platform/memory_file_system.h"

#include <cerrno>

#include "corvane/base/url.h"

namespace corvane::platform {

namespace {

std::string parentOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::string childOf(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

std::uint32_t modeOf(EntryType type) {
  switch (type) {
    case EntryType::directory: return 0040000;
    case EntryType::file: return 0100000;
    case EntryType::symbolicLink: return 0120000;
    case EntryType::other: break;
  }
  return 0;
}

}  // namespace

void MemoryFileSystem::add(const std::string& rawPath, Node node) {
  const std::string path = url::standardizedPath(rawPath);
  for (std::string folder = parentOf(path); !nodes_.count(folder); folder = parentOf(folder))
    nodes_[folder] = Node{EntryType::directory, {}, node.modifiedSeconds, nextInode_++};
  node.inode = nextInode_++;
  nodes_[path] = std::move(node);
}

void MemoryFileSystem::addFolder(const std::string& path, std::int64_t modifiedSeconds) {
  add(path, Node{EntryType::directory, {}, modifiedSeconds, 0});
}
void MemoryFileSystem::addFile(const std::string& path, std::string contents, std::int64_t modifiedSeconds) {
  add(path, Node{EntryType::file, std::move(contents), modifiedSeconds, 0});
}
void MemoryFileSystem::addLink(const std::string& path, std::string target, std::int64_t modifiedSeconds) {
  add(path, Node{EntryType::symbolicLink, std::move(target), modifiedSeconds, 0});
}

const MemoryFileSystem::Node* MemoryFileSystem::find(const std::string& rawPath, std::string* physical) const {
  const std::string path = url::standardizedPath(rawPath);
  if (path.empty() || path.front() != '/') return nullptr;
  std::string at = path;
  if (path != "/") {
    auto folder = realPath(parentOf(path));
    if (!folder.has_value()) return nullptr;
    at = childOf(*folder, nameOf(path));
  }
  auto it = nodes_.find(at);
  if (it == nodes_.end()) return nullptr;
  if (physical) *physical = at;
  return &it->second;
}

Result<std::string> MemoryFileSystem::realPath(const std::string& path) const {
  if (path.empty() || path.front() != '/') return Error::fromErrno(ENOENT, "realpath", path);
  return followComponents("/", "/", path, path);
}

Result<Listing> MemoryFileSystem::list(const std::string& folder, const ListOptions& options) const {
  auto real = realPath(folder);
  if (!real.has_value()) return Error::fromErrno(real.error().code, "open", folder);
  if (nodes_.at(*real).type != EntryType::directory) return Error::fromErrno(ENOTDIR, "open", folder);
  if (denied_.contains(*real)) return Error::fromErrno(EACCES, "open", folder);
  const std::string prefix = *real == "/" ? "/" : *real + "/";
  Listing listing;  // in name order whether asked or not, as the map holds them
  for (auto it = nodes_.lower_bound(prefix); it != nodes_.end() && it->first.starts_with(prefix); ++it) {
    if (it->first == prefix || it->first.find('/', prefix.size()) != std::string::npos) continue;
    std::string name = it->first.substr(prefix.size());
    if (options.skipHidden && name.front() == '.') continue;
    if (listing.entries.size() == options.maxEntries) {
      listing.exceeded = true;
      break;
    }
    listing.entries.push_back(FolderEntry{std::move(name), it->second.type});
  }
  return listing;
}

Status MemoryFileSystem::walk(const std::string& root, const WalkLimits& limits,
                              const WalkVisitor& visit) const {
  return walkByListing(root, limits, visit);
}

Result<FileStatus> MemoryFileSystem::linkStatus(const std::string& path) const {
  const Node* node = find(path);
  if (!node) return Error::fromErrno(ENOENT, "lstat", path);
  FileStatus st;
  st.device = 1;
  st.inode = node->inode;
  st.mode = modeOf(node->type) | 0644;
  st.size = static_cast<std::int64_t>(node->data.size());
  st.allocatedSize = node->type == EntryType::file ? (st.size + 4095) / 4096 * 4096 : 0;
  st.modifiedSeconds = node->modifiedSeconds;
  st.changedSeconds = node->modifiedSeconds;
  return st;
}

Result<DiskIdentity> MemoryFileSystem::diskIdentity(const std::string& path) const {
  auto st = linkStatus(path);
  if (!st.has_value()) return st.error();
  return DiskIdentity{st->device, st->inode, st->mode & kFileTypeMask, 0};
}

Result<std::string> MemoryFileSystem::readLink(const std::string& path) const {
  const Node* node = find(path);
  if (!node) return Error::fromErrno(ENOENT, "readlink", path);
  if (node->type != EntryType::symbolicLink) return Error::fromErrno(EINVAL, "readlink", path);
  return node->data;
}

Result<std::vector<std::uint8_t>> MemoryFileSystem::readFile(const std::string& path, std::size_t maxBytes) const {
  auto real = realPath(path);
  if (!real.has_value()) return Error::fromErrno(real.error().code, "open", path);
  const Node& node = nodes_.at(*real);
  if (node.type == EntryType::directory) return Error::fromErrno(EISDIR, "read", path);
  if (node.data.size() > maxBytes) {
    Error error = Error::fromErrno(EFBIG, "read", path);
    error.message = "file is larger than " + std::to_string(maxBytes) + " bytes";
    return error;
  }
  return std::vector<std::uint8_t>(node.data.begin(), node.data.end());
}

Status MemoryFileSystem::renameExclusive(const std::string& from, const std::string& to) const {
  std::string source;
  if (!find(from, &source)) return Error::fromErrno(ENOENT, "rename", from);
  auto toFolder = realPath(parentOf(url::standardizedPath(to)));
  if (!toFolder.has_value() || nodes_.at(*toFolder).type != EntryType::directory) return Error::fromErrno(ENOENT, "rename", from);
  const std::string destination = childOf(*toFolder, nameOf(url::standardizedPath(to)));
  if (nodes_.count(destination)) return Error::fromErrno(EEXIST, "rename", from);
  if (destination.starts_with(source + "/")) return Error::fromErrno(EINVAL, "rename", from);
  std::map<std::string, Node> moved;
  moved.emplace(destination, std::move(nodes_.at(source)));
  nodes_.erase(source);
  const std::string inside = source + "/";
  for (auto it = nodes_.lower_bound(inside); it != nodes_.end() && it->first.starts_with(inside);) {
    moved.emplace(destination + it->first.substr(source.size()), std::move(it->second));
    it = nodes_.erase(it);
  }
  nodes_.merge(moved);
  return Ok{};
}

}  // namespace corvane::platform
