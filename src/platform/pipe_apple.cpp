#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>

#include "platform/pipe.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

// macOS has no pipe2: the flags are set right after creation, and limitInheritedDescriptors closes the
// window in which a child spawned by another thread could inherit the ends.
int openCloseOnExecPipe(int fds[2]) {
  if (::pipe(fds) != 0) return errno;
  UniqueFd ends[2] = {UniqueFd(fds[0]), UniqueFd(fds[1])};
  for (const UniqueFd& end : ends)
    if (::fcntl(end.get(), F_SETFD, FD_CLOEXEC) != 0) return errno;  // both ends are closed on the way out
  for (UniqueFd& end : ends) end.release();
  return 0;
}

int limitInheritedDescriptors(short& flags, posix_spawn_file_actions_t* actions) {
  flags = static_cast<short>(flags | POSIX_SPAWN_CLOEXEC_DEFAULT);
  return ::posix_spawn_file_actions_addinherit_np(actions, STDIN_FILENO);
}

}  // namespace corvane::platform
