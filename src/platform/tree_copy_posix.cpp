#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/tree_copy.h"

#include "platform/descriptor_ops.h"
#include "platform/folder_chain.h"

namespace corvane::platform {

namespace {

// A partly built copy is at most one level deeper than the copy's own limit; anything deeper than this
// was not built by us and is left alone.
constexpr std::size_t kMaxRemoveDepth = 1024;

// Removes the folder `name` of `dirFd` and everything in it on `device`, depth first with an explicit
// stack and a fixed number of open descriptors.
Status removeFolderTree(int dirFd, const std::string& name, std::uint64_t device) {
  struct Level {
    std::vector<std::string> names;
    std::size_t next = 0;
  };
  FolderChain chain(dirFd);
  std::vector<Level> levels;
  auto enter = [&](const std::string& child) -> Status {
    if (auto entered = chain.enter(child); !entered.has_value()) return entered;
    Level level;
    if (int code = listNamesAt(chain.current().value(), level.names); code != 0)
      return Error::fromErrno(code, "readdir", child);
    levels.push_back(std::move(level));
    return Ok{};
  };
  if (auto entered = enter(name); !entered.has_value())
    return entered.error().code == ENOENT ? Status(Ok{}) : entered;
  while (!levels.empty()) {
    auto folder = chain.current();
    if (!folder.has_value()) return folder.error();
    Level& level = levels.back();
    if (level.next == level.names.size()) {
      const std::string done = chain.name();
      levels.pop_back();
      chain.leave();
      auto parent = chain.current();
      if (!parent.has_value()) return parent.error();
      if (::unlinkat(parent.value(), done.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
        return Error::fromErrno(errno, "rmdir", done);
      continue;
    }
    const std::string child = level.names[level.next++];
    struct stat st {};
    if (::fstatat(folder.value(), child.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;
      return Error::fromErrno(errno, "fstatat", child);
    }
    if (!S_ISDIR(st.st_mode)) {
      if (::unlinkat(folder.value(), child.c_str(), 0) != 0 && errno != ENOENT) return Error::fromErrno(errno, "unlink", child);
      continue;
    }
    if (static_cast<std::uint64_t>(st.st_dev) != device) return Error::fromErrno(EXDEV, "rmdir", child);
    if (levels.size() > kMaxRemoveDepth) return Error::fromErrno(ELOOP, "rmdir", child);
    if (auto entered = enter(child); !entered.has_value() && entered.error().code != ENOENT) return entered;
  }
  return Ok{};
}

}  // namespace

Result<EntryFacts> entryFacts(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return Error::fromErrno(errno, "lstat", path);
  return entryFactsFrom(st);
}

Result<EntryFacts> entryFactsAt(int dirFd, const std::string& name) {
  struct stat st {};
  if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return Error::fromErrno(errno, "fstatat", name);
  return entryFactsFrom(st);
}

Result<EntryFacts> entryFactsOf(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Error::fromErrno(errno, "fstat");
  return entryFactsFrom(st);
}

Result<std::string> readLinkAt(int dirFd, const std::string& name) {
  char buffer[kMaxLinkTarget + 1];
  const auto length = ::readlinkat(dirFd, name.c_str(), buffer, sizeof buffer);
  if (length < 0) return Error::fromErrno(errno, "readlink", name);
  if (static_cast<std::size_t>(length) > kMaxLinkTarget) return Error::fromErrno(ENAMETOOLONG, "readlink", name);
  return std::string(buffer, static_cast<std::size_t>(length));
}

Status makeSymlinkAt(const std::string& target, int dirFd, const std::string& name) {
  if (::symlinkat(target.c_str(), dirFd, name.c_str()) != 0) return Error::fromErrno(errno, "symlink", name);
  return Ok{};
}

Result<UniqueFd> openFileNoFollow(int dirFd, const std::string& name) {
  int fd = retryAfterSignal(::openat, dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return Error::fromErrno(errno, "open", name);
  return UniqueFd(fd);
}

Result<UniqueFd> createFileExclusive(int dirFd, const std::string& name, std::uint32_t mode) {
  int fd = retryAfterSignal(::openat, dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            static_cast<mode_t>(mode & 07777));
  if (fd < 0) return Error::fromErrno(errno, "create", name);
  return UniqueFd(fd);
}

Status setModeAndTimes(int fd, const EntryFacts& from) {
  if (::fchmod(fd, static_cast<mode_t>(from.permissions())) != 0) return Error::fromErrno(errno, "chmod");
  const struct timespec times[2] = {{static_cast<time_t>(from.accessed.seconds), static_cast<long>(from.accessed.nanoseconds)},
                                    {static_cast<time_t>(from.modified.seconds), static_cast<long>(from.modified.nanoseconds)}};
  if (::futimens(fd, times) != 0) return Error::fromErrno(errno, "futimens");
  return Ok{};
}

Status setLinkTimesAt(int dirFd, const std::string& name, const EntryFacts& from) {
  const struct timespec times[2] = {{static_cast<time_t>(from.accessed.seconds), static_cast<long>(from.accessed.nanoseconds)},
                                    {static_cast<time_t>(from.modified.seconds), static_cast<long>(from.modified.nanoseconds)}};
  if (::utimensat(dirFd, name.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) return Error::fromErrno(errno, "utimensat", name);
  return Ok{};
}

Status syncDescriptor(int fd) {
  if (retryAfterSignal(::fsync, fd) != 0) return Error::fromErrno(errno, "fsync");
  return Ok{};
}

std::vector<std::string> listNames(const std::string& path) {
  int fd = retryAfterSignal(::open, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return {};
  UniqueFd folder(fd);
  std::vector<std::string> names;
  if (listNamesAt(folder.get(), names) != 0) names.clear();
  return names;
}

Status removeTreeAt(int dirFd, const std::string& name) {
  struct stat item {};
  if (::fstatat(dirFd, name.c_str(), &item, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT ? Status(Ok{}) : Status(Error::fromErrno(errno, "fstatat", name));
  if (!S_ISDIR(item.st_mode)) {
    if (::unlinkat(dirFd, name.c_str(), 0) != 0 && errno != ENOENT) return Error::fromErrno(errno, "unlink", name);
    return Ok{};
  }
  struct stat parent {};
  if (::fstat(dirFd, &parent) != 0) return Error::fromErrno(errno, "fstat");
  if (item.st_dev != parent.st_dev) return Error::fromErrno(EXDEV, "rmdir", name);
  return removeFolderTree(dirFd, name, static_cast<std::uint64_t>(parent.st_dev));
}

}  // namespace corvane::platform
