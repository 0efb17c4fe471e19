#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/pipe.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

int openCloseOnExecPipe(int fds[2]) {
  if (::pipe2(fds, O_CLOEXEC) != 0) return errno;
  UniqueFd ends[2] = {UniqueFd(fds[0]), UniqueFd(fds[1])};
  for (UniqueFd& end : ends) {
    if (end.get() > STDERR_FILENO) continue;
    // An end that took the number of a closed standard stream moves above them.
    UniqueFd moved(::fcntl(end.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
    if (!moved.valid()) return errno;
    end = std::move(moved);
  }
  fds[0] = ends[0].release();
  fds[1] = ends[1].release();
  return 0;
}

int limitInheritedDescriptors(short&, posix_spawn_file_actions_t*) { return 0; }

}  // namespace corvane::platform
