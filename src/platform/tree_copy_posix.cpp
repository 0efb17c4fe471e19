#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/tree_copy.h"

#include "platform/descriptor_ops.h"

namespace corvane::platform {

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

Status setModeAndTimes(int fd, const FileStatus& from) {
  if (::fchmod(fd, static_cast<mode_t>(from.permissions())) != 0) return Error::fromErrno(errno, "chmod");
  const struct timespec times[2] = {{static_cast<time_t>(from.accessedSeconds), static_cast<long>(from.accessedNanoseconds)},
                                    {static_cast<time_t>(from.modifiedSeconds), static_cast<long>(from.modifiedNanoseconds)}};
  if (::futimens(fd, times) != 0) return Error::fromErrno(errno, "futimens");
  return Ok{};
}

Status setLinkTimesAt(int dirFd, const std::string& name, const FileStatus& from) {
  const struct timespec times[2] = {{static_cast<time_t>(from.accessedSeconds), static_cast<long>(from.accessedNanoseconds)},
                                    {static_cast<time_t>(from.modifiedSeconds), static_cast<long>(from.modifiedNanoseconds)}};
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
  auto entries = listEntriesAt(folder.get());
  if (!entries.has_value()) return {};
  std::vector<std::string> names;
  names.reserve(entries->size());
  for (NamedEntry& entry : entries.value()) names.push_back(std::move(entry.name));
  return names;
}

}  // namespace corvane::platform
