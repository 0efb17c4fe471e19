#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/pipe.h"

namespace corvane::platform {

int openCloseOnExecPipe(int fds[2]) {
  return ::pipe2(fds, O_CLOEXEC) == 0 ? 0 : errno;
}

int limitInheritedDescriptors(short&, posix_spawn_file_actions_t*) { return 0; }

}  // namespace corvane::platform
