#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/tree_copy.h"

#include "platform/descriptor_ops.h"

namespace corvane::platform {

namespace {

// A partly built copy is at most one level deeper than the copy's own limit; anything deeper than this
// was not built by us and is left alone.
constexpr int kMaxRemoveDepth = 1024;

Status removeTreeAt(int dirFd, const std::string& name, std::uint64_t device, int depth) {
  struct stat st {};
  if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT ? Status(Ok{}) : Status(Error::fromErrno(errno, "fstatat", name));
  if (!S_ISDIR(st.st_mode)) {
    if (::unlinkat(dirFd, name.c_str(), 0) != 0 && errno != ENOENT) return Error::fromErrno(errno, "unlink", name);
    return Ok{};
  }
  if (static_cast<std::uint64_t>(st.st_dev) != device) return Error::fromErrno(EXDEV, "rmdir", name);
  if (depth > kMaxRemoveDepth) return Error::fromErrno(ELOOP, "rmdir", name);
  int fd = retryAfterSignal(::openat, dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return Error::fromErrno(errno, "open", name);
  UniqueFd folder(fd);
  std::vector<std::string> names;
  if (int code = listNamesAt(folder.get(), names); code != 0) return Error::fromErrno(code, "readdir", name);
  for (const auto& child : names) {
    auto removed = removeTreeAt(folder.get(), child, device, depth + 1);
    if (!removed.has_value()) return removed;
  }
  if (::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
    return Error::fromErrno(errno, "rmdir", name);
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
  struct stat parent {};
  if (::fstat(dirFd, &parent) != 0) return Error::fromErrno(errno, "fstat");
  return removeTreeAt(dirFd, name, static_cast<std::uint64_t>(parent.st_dev), 0);
}

}  // namespace corvane::platform
