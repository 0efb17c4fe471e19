#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/pipe.h"

namespace corvane::platform {

// macOS has no pipe2: the flags are set right after creation.
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

}  // namespace corvane::platform
