#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/pipe.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

namespace {

// An end that took the number of a closed standard stream moves above them (close-on-exec kept).
int moveAboveStandardStreams(UniqueFd& end) {
  if (end.get() > STDERR_FILENO) return 0;
  UniqueFd moved(::fcntl(end.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
  if (!moved.valid()) return errno;
  end = std::move(moved);
  return 0;
}

}  // namespace

// macOS has no pipe2: the flags are set right after creation, and limitInheritedDescriptors closes the
// window in which a child spawned by another thread could inherit the ends.
Status openCloseOnExecPipe(int fds[2]) {
  if (::pipe(fds) != 0) return Error::fromErrno(errno, "pipe");
  UniqueFd ends[2] = {UniqueFd(fds[0]), UniqueFd(fds[1])};
  for (UniqueFd& end : ends) {
    // Both ends are closed on the way out.
    if (::fcntl(end.get(), F_SETFD, FD_CLOEXEC) != 0) return Error::fromErrno(errno, "fcntl");
    if (int error = moveAboveStandardStreams(end); error != 0) return Error::fromErrno(error, "fcntl");
  }
  fds[0] = ends[0].release();
  fds[1] = ends[1].release();
  return Ok{};
}

// The child inherits our standard input when we have one; when it is closed, inheriting it would fail
// the launch (EBADF), so the child reads from /dev/null instead.
Status limitInheritedDescriptors(short& flags, posix_spawn_file_actions_t* actions) {
  flags = static_cast<short>(flags | POSIX_SPAWN_CLOEXEC_DEFAULT);
  const bool hasInput = ::fcntl(STDIN_FILENO, F_GETFD) != -1;
  const int error = hasInput ? ::posix_spawn_file_actions_addinherit_np(actions, STDIN_FILENO)
                             : ::posix_spawn_file_actions_addopen(actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (error != 0) return Error::fromErrno(error, "posix_spawn_file_actions");
  return Ok{};
}

}  // namespace corvane::platform
