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
#include "platform/folder_chain.h"
#include "platform/folder_walk.h"
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

class PosixFileSystem final : public FileSystem {
 public:
  Result<Listing> list(const std::string& folder, const ListOptions& options) const override {
    auto fd = openDirectory(folder);
    if (!fd.has_value()) return fd.error();
    auto dir = ScopedDir::from(std::move(fd).value(), folder);
    if (!dir.has_value()) return dir.error();
    return readEntries(*dir, folder, options);
  }

  // Each folder below the root is opened relative to its parent's descriptor without following a link,
  // so a folder swapped for a link during the walk is passed over rather than followed. Only the deepest
  // folders keep their descriptor; the others are opened again by name, as the same folder, on the way
  // back up.
  Status walk(const std::string& root, const WalkLimits& limits, const WalkVisitor& visit) const override {
    const ListOptions options{limits.skipHidden, limits.sorted};
    struct Folder {
      UniqueFd fd;
      std::string name;
      std::uint64_t device = 0;
      std::uint64_t inode = 0;
      std::string path;
      std::vector<FolderEntry> entries;
    };
    auto open = [&](Result<UniqueFd> fd, const std::string& name, const std::string& path) -> Result<Folder> {
      if (!fd.has_value()) return Error::fromErrno(fd.error().code, "open", path);
      struct stat st {};
      if (::fstat(fd->get(), &st) != 0) return Error::fromErrno(errno, "fstat", path);
      // The listing goes through a duplicate, so that the folder's own descriptor stays usable.
      auto dir = ScopedDir::from(UniqueFd(::fcntl(fd->get(), F_DUPFD_CLOEXEC, 0)), path);
      if (!dir.has_value()) return dir.error();
      auto listing = readEntries(*dir, path, options);
      if (!listing.has_value()) return listing.error();
      return Folder{std::move(fd).value(), name, static_cast<std::uint64_t>(st.st_dev),
                    static_cast<std::uint64_t>(st.st_ino), path, std::move(listing->entries)};
    };
    struct WithinBudget {
      std::size_t budget = kTreeDescriptorBudget;
      bool isOpen(const Folder& folder) const { return folder.fd.valid(); }
      void giveUp(Folder& folder) const { folder.fd.reset(); }
      bool reopen(const Folder& parent, Folder& folder) const {
        if (folder.fd.valid()) return true;
        auto fd = openDirectoryNoFollow(parent.fd.get(), folder.name);
        struct stat st {};
        if (!fd.has_value() || ::fstat(fd->get(), &st) != 0) return false;
        if (static_cast<std::uint64_t>(st.st_dev) != folder.device || static_cast<std::uint64_t>(st.st_ino) != folder.inode)
          return false;
        folder.fd = std::move(fd).value();
        return true;
      }
    };
    auto top = open(openDirectory(root), root, root);
    if (!top.has_value()) return top.error();
    walkFolders(
        std::move(top).value(), limits, visit,
        [](const Folder& parent, const FolderEntry& entry, const std::string&) {
          return linkStatusAt(parent.fd.get(), entry.name.c_str());
        },
        [&](const Folder& parent, const FolderEntry& entry, const std::string& path) {
          return open(openDirectoryNoFollow(parent.fd.get(), entry.name), entry.name, path);
        },
        WithinBudget{});
    return Ok{};
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
