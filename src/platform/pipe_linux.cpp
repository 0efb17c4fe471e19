#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/pipe.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

Status openCloseOnExecPipe(int fds[2]) {
  if (::pipe2(fds, O_CLOEXEC) != 0) return Error::fromErrno(errno, "pipe2");
  UniqueFd ends[2] = {UniqueFd(fds[0]), UniqueFd(fds[1])};
  for (UniqueFd& end : ends) {
    if (end.get() > STDERR_FILENO) continue;
    // An end that took the number of a closed standard stream moves above them.
    UniqueFd moved(::fcntl(end.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
    if (!moved.valid()) return Error::fromErrno(errno, "fcntl");
    end = std::move(moved);
  }
  fds[0] = ends[0].release();
  fds[1] = ends[1].release();
  return Ok{};
}

Status limitInheritedDescriptors(short&, posix_spawn_file_actions_t*) { return Ok{}; }

}  // namespace corvane::platform
