#include <fcntl.h>
#include <sys/event.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/folder_events.h"

namespace corvane::platform {

namespace {
constexpr unsigned kGoneFlags = NOTE_DELETE | NOTE_RENAME | NOTE_REVOKE;
}  // namespace

Result<FolderEvents> FolderEvents::open() {
  int fd = ::kqueue();
  if (fd < 0) return Error::fromErrno(errno, "kqueue");
  (void)::fcntl(fd, F_SETFD, FD_CLOEXEC);
  return FolderEvents(UniqueFd(fd));
}

Result<int> FolderEvents::watch(const std::string& path) {
  int fd = ::openat(AT_FDCWD, path.c_str(), O_EVTONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return Error::fromErrno(errno, "open", path);
  UniqueFd folder(fd);
  struct kevent source {};
  source.ident = static_cast<uintptr_t>(fd);
  source.filter = EVFILT_VNODE;
  source.flags = EV_ADD | EV_CLEAR;
  source.fflags = NOTE_WRITE | kGoneFlags;
  if (::kevent(queue_.get(), &source, 1, nullptr, 0, nullptr) < 0) return Error::fromErrno(errno, "kevent", path);
  folders_[fd] = std::move(folder);
  return fd;
}

void FolderEvents::unwatch(int id) { folders_.erase(id); }  // closing the folder ends its source

Result<std::vector<FolderEvents::Change>> FolderEvents::wait(int timeoutMilliseconds) {
  std::vector<Change> changes;
  struct kevent events[64];
  timespec limit{timeoutMilliseconds / 1000, static_cast<long>(timeoutMilliseconds % 1000) * 1000000L};
  int n = ::kevent(queue_.get(), nullptr, 0, events, 64, timeoutMilliseconds < 0 ? nullptr : &limit);
  if (n < 0) {
    if (errno == EINTR) return changes;
    return Error::fromErrno(errno, "kevent");
  }
  for (int i = 0; i < n; ++i) {
    const int id = static_cast<int>(events[i].ident);
    const bool gone = (events[i].fflags & kGoneFlags) != 0;
    changes.push_back({id, gone});
    if (gone) folders_.erase(id);
  }
  return changes;
}

}  // namespace corvane::platform
