// The file system of this machine, on descriptors: the one folder reader and walker the library has.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <utility>
#include <cerrno>
#include <memory>

#include "platform/directory.h"
#include "platform/file_status.h"
#include "platform/disk_identity.h"
#include "platform/file_io.h"
#include "corvane/platform/file_system.h"
#include "platform/tree_walk.h"
#include "platform/fs_ops.h"

namespace corvane::platform {

namespace {

// An open folder stream; it owns the descriptor it was made from.
class ScopedDir {
 public:
  static Result<ScopedDir> from(UniqueFd fd, const std::string& path) {
    DIR* dir = ::fdopendir(fd.get());
    if (!dir) return Error::fromErrno(errno, "fdopendir", path);
    fd.release();
    return ScopedDir(dir);
  }
  ScopedDir(ScopedDir&& other) noexcept : dir_(std::exchange(other.dir_, nullptr)) {}
  ScopedDir& operator=(ScopedDir&&) = delete;
  ScopedDir(const ScopedDir&) = delete;
  ~ScopedDir() {
    if (dir_) ::closedir(dir_);
  }
  DIR* get() const { return dir_; }
  int fd() const { return ::dirfd(dir_); }

 private:
  explicit ScopedDir(DIR* dir) : dir_(dir) {}
  DIR* dir_ = nullptr;
};

EntryType typeOf(int dirFd, const dirent& e) {
  switch (e.d_type) {
    case DT_DIR: return EntryType::directory;
    case DT_REG: return EntryType::file;
    case DT_LNK: return EntryType::symbolicLink;
    case DT_UNKNOWN: break;
    default: return EntryType::other;
  }
  // Some file systems do not fill in the entry's type: ask the item itself, without following it.
  struct stat st {};
  if (::fstatat(dirFd, e.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return EntryType::other;
  if (S_ISDIR(st.st_mode)) return EntryType::directory;
  if (S_ISREG(st.st_mode)) return EntryType::file;
  if (S_ISLNK(st.st_mode)) return EntryType::symbolicLink;
  return EntryType::other;
}

// Reads the open folder `dir` (found at `path`) as `options` ask.
Result<Listing> readEntries(const ScopedDir& dir, const std::string& path, const ListOptions& options) {
  Listing listing;
  for (;;) {
    errno = 0;
    const dirent* e = ::readdir(dir.get());
    if (!e) {
      if (errno != 0) return Error::fromErrno(errno, "readdir", path);
      break;
    }
    const std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    if (options.skipHidden && isHiddenItem(path, e->d_name)) continue;
    if (listing.entries.size() == options.maxEntries) {
      listing.exceeded = true;
      break;
    }
    listing.entries.push_back(FolderEntry{e->d_name, typeOf(dir.fd(), *e)});
  }
  if (options.sorted)
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return listing;
}

// A walk's visitor and limits as the tree engine's visitor.
class WalkAdapter final : public TreeVisitor {
 public:
  WalkAdapter(const WalkLimits& limits, const WalkVisitor& visit, FirstError& unlisted)
      : limits_(limits), visit_(visit), unlisted_(unlisted), maxDepth_(std::min(limits.maxDepth, kMaxWalkDepth)) {}

  TreeStep visit(const TreeItem& item) override {
    if (limits_.skipHidden && isHiddenItem(parentOf(item), item.name)) return TreeStep::skip;
    WalkItem walked{item.path, item.name, entryType(item), item.depth, item.status};
    const WalkStep step = visit_(walked);
    if (step == WalkStep::stop) return TreeStep::stop;
    if (step != WalkStep::descend || item.type != FileType::directory) return TreeStep::skip;
    if (item.depth < maxDepth_) return TreeStep::descend;
    // A walk that asked for everything is told about the folders too deep to enter.
    if (limits_.maxDepth >= kMaxWalkDepth && limits_.onUnopened) limits_.onUnopened(item.path, ELOOP);
    return TreeStep::skip;
  }

  TreeStep failed(const TreeItem& item, const Error& error) override {
    if (item.depth == 0)
      unlisted_.keep(error);  // the root itself
    else if (limits_.onUnopened)
      limits_.onUnopened(item.path, error.code);
    return TreeStep::descend;
  }

 private:
  static std::string parentOf(const TreeItem& item) {
    return item.path.substr(0, item.path.size() - item.name.size() - 1);
  }
  static EntryType entryType(const TreeItem& item) {
    switch (item.type) {
      case FileType::directory: return EntryType::directory;
      case FileType::regular: return EntryType::file;
      case FileType::symlink: return EntryType::symbolicLink;
      case FileType::other: break;
    }
    return EntryType::other;
  }

  const WalkLimits& limits_;
  const WalkVisitor& visit_;
  FirstError& unlisted_;
  std::size_t maxDepth_;
};

class PosixFileSystem final : public FileSystem {
 public:
  Result<Listing> list(const std::string& folder, const ListOptions& options) const override {
    auto fd = openDirectory(folder);
    if (!fd.has_value()) return fd.error();
    auto dir = ScopedDir::from(std::move(fd).value(), folder);
    if (!dir.has_value()) return dir.error();
    return readEntries(*dir, folder, options);
  }

  // Through the tree engine: each folder below the root opened relative to its parent without following
  // a link (a folder swapped for a link is passed over, not followed), within the descriptor budget.
  Status walk(const std::string& root, const WalkLimits& limits, const WalkVisitor& visit) const override {
    auto top = openDirectory(root);
    if (!top.has_value()) return Error::fromErrno(top.error().code, "open", root);
    FirstError unlisted;
    WalkAdapter adapter(limits, visit, unlisted);
    TreeOptions options;
    options.withStatus = limits.withStatus;
    options.sorted = limits.sorted;
    walkEntries(top->get(), root, adapter, options);
    return unlisted.status();
  }

  Result<FileStatus> linkStatus(const std::string& path) const override {
    int error = 0;
    if (auto st = platform::linkStatus(path, &error)) return *st;
    return Error::fromErrno(error, "lstat", path);
  }
  Result<DiskIdentity> diskIdentity(const std::string& path) const override {
    return diskIdentityOf(Url::fileURL(path));
  }
  Result<std::string> readLink(const std::string& path) const override { return platform::readLink(path); }
  Result<std::string> realPath(const std::string& path) const override { return platform::realPath(path); }
  Result<std::vector<std::uint8_t>> readFile(const std::string& path, std::size_t maxBytes) const override {
    return readFileBytes(path, maxBytes);
  }
  Status renameExclusive(const std::string& from, const std::string& to) const override {
    return platform::renameExclusive(from, to);
  }
};

}  // namespace

const FileSystem& realFileSystem() {
  static const PosixFileSystem instance;
  return instance;
}

std::shared_ptr<const FileSystem> sharedRealFileSystem() {
  // Not owned: the instance lives as long as the process.
  return std::shared_ptr<const FileSystem>(std::shared_ptr<void>(), &realFileSystem());
}

}  // namespace corvane::platform
