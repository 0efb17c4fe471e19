#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/pipe.h"

namespace corvane::platform {

int openCloseOnExecPipe(int fds[2]) {
  return ::pipe2(fds, O_CLOEXEC) == 0 ? 0 : errno;
}

}  // namespace corvane::platform
