#include <unistd.h>

#include "platform/unique_fd.h"

namespace corvane::platform {

void UniqueFd::reset(int fd) {
  if (fd_ >= 0) ::close(fd_);  // never retried: the descriptor is gone whatever close says
  fd_ = fd;
}

}  // namespace corvane::platform
