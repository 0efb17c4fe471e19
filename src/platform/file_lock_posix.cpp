#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <vector>

#include "platform/file_lock.h"

namespace corvane::platform {

Result<UniqueFd> lockExclusively(const std::string& folder, const std::string& name, std::chrono::milliseconds wait) {
  auto dir = openDirectory(folder);
  if (!dir.has_value()) return dir.error();
  UniqueFd fd(retryAfterSignal(::openat, dir->get(), name.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                               static_cast<mode_t>(0644)));
  if (!fd.valid()) return Error::fromErrno(errno, "open", folder + "/" + name);
  // Polled rather than blocking, so that the wait has an end; short naps keep the turn-over quick.
  constexpr unsigned kNapMicroseconds = 10000;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (retryAfterSignal(::flock, fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline)
      return Error::fromErrno(errno, "flock", folder + "/" + name);
    pauseMicroseconds(kNapMicroseconds);
  }
  return fd;
}

Result<UniqueFd> tryLockExclusively(const std::string& path) {
  UniqueFd fd(retryAfterSignal(::open, path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                               static_cast<mode_t>(0600)));
  if (!fd.valid()) return Error::fromErrno(errno, "open", path);
  if (retryAfterSignal(::flock, fd.get(), LOCK_EX | LOCK_NB) != 0) return Error::fromErrno(errno, "flock", path);
  return fd;
}

void unlockAndClose(int fd) {
  if (fd < 0) return;
  ::flock(fd, LOCK_UN);
  ::close(fd);  // never retried: the descriptor is gone whatever close says
}

void pauseMicroseconds(unsigned microseconds) {
  timespec rest{static_cast<time_t>(microseconds / 1000000), static_cast<long>(microseconds % 1000000) * 1000};
  while (::nanosleep(&rest, &rest) != 0 && errno == EINTR) {
  }
}

Status removeItemsWithPrefix(const std::string& folder, const std::string& prefix) {
  auto dir = openDirectory(folder);
  if (!dir.has_value()) return dir.error();
  // fdopendir takes the descriptor it is given; list through a duplicate so `dir` stays usable.
  UniqueFd listFd(retryAfterSignal(::fcntl, dir->get(), F_DUPFD_CLOEXEC, 0));
  if (!listFd.valid()) return Error::fromErrno(errno, "dup", folder);
  DIR* stream = ::fdopendir(listFd.get());
  if (stream == nullptr) return Error::fromErrno(errno, "opendir", folder);
  listFd.release();  // the stream owns it now
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(stream)) {
    std::string entryName = entry->d_name;
    if (entryName.size() > prefix.size() && entryName.compare(0, prefix.size(), prefix) == 0)
      names.push_back(std::move(entryName));
  }
  ::closedir(stream);

  Status result = Ok{};
  for (const auto& entryName : names) {
    if (retryAfterSignal(::unlinkat, dir->get(), entryName.c_str(), 0) == 0 || errno == ENOENT) continue;
    // EISDIR on Linux, EPERM elsewhere: a folder by that name is left alone.
    if (errno == EISDIR || errno == EPERM) continue;
    if (result.has_value()) result = Error::fromErrno(errno, "unlink", folder + "/" + entryName);
  }
  return result;
}

}  // namespace corvane::platform
