#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/folder_events.h"

namespace corvane::platform {

namespace {
constexpr unsigned kEntryMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr unsigned kSelfMask = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;
}  // namespace

Result<FolderEvents> FolderEvents::open() {
  int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return Error::fromErrno(errno, "inotify_init1");
  return FolderEvents(UniqueFd(fd));
}

Result<int> FolderEvents::watch(const std::string& path) {
  int id = ::inotify_add_watch(queue_.get(), path.c_str(), kEntryMask | kSelfMask | IN_ONLYDIR | IN_DONT_FOLLOW);
  if (id < 0) return Error::fromErrno(errno, "inotify_add_watch", path);
  return id;
}

void FolderEvents::unwatch(int id) { (void)::inotify_rm_watch(queue_.get(), id); }

Result<std::vector<FolderEvents::Change>> FolderEvents::wait(int timeoutMilliseconds) {
  std::vector<Change> changes;
  pollfd ready{queue_.get(), POLLIN, 0};
  int n = ::poll(&ready, 1, timeoutMilliseconds < 0 ? -1 : timeoutMilliseconds);
  if (n < 0) {
    if (errno == EINTR) return changes;
    return Error::fromErrno(errno, "poll");
  }
  alignas(inotify_event) char buffer[16384];
  for (;;) {
    ssize_t got = ::read(queue_.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EAGAIN || errno == EINTR) break;
      return Error::fromErrno(errno, "read inotify");
    }
    if (got == 0) break;
    for (std::size_t at = 0; at + sizeof(inotify_event) <= static_cast<std::size_t>(got);) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      at += sizeof(inotify_event) + event.len;
      if (event.mask & IN_Q_OVERFLOW) {
        changes.push_back({-1, false});
      } else if (event.mask & (kSelfMask | IN_IGNORED)) {
        changes.push_back({event.wd, true});
      } else if (event.mask & kEntryMask) {
        changes.push_back({event.wd, false});
      }
    }
  }
  return changes;
}

}  // namespace corvane::platform
