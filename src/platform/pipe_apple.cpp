#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>

#include "platform/pipe.h"

namespace corvane::platform {

// macOS has no pipe2: the flags are set right after creation, and limitInheritedDescriptors closes the
// window in which a child spawned by another thread could inherit the ends.
int openCloseOnExecPipe(int fds[2]) {
  if (::pipe(fds) != 0) return errno;
  for (int i = 0; i < 2; ++i) {
    if (::fcntl(fds[i], F_SETFD, FD_CLOEXEC) != 0) {
      int error = errno;
      ::close(fds[0]);
      ::close(fds[1]);
      return error;
    }
  }
  return 0;
}

int limitInheritedDescriptors(short& flags, posix_spawn_file_actions_t* actions) {
  flags = static_cast<short>(flags | POSIX_SPAWN_CLOEXEC_DEFAULT);
  return ::posix_spawn_file_actions_addinherit_np(actions, STDIN_FILENO);
}

}  // namespace corvane::platform
