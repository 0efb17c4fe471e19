#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/descriptor_flags.h"
#include "platform/descriptor_ops.h"
#include "platform/retry.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

std::uint32_t statFlags(const struct ::stat& st) { return st.st_flags; }

int setFlagsAt(int dirFd, const std::string& name, bool isLink, std::uint32_t flags) {
  const int mode = O_RDONLY | O_CLOEXEC | (isLink ? O_SYMLINK : O_NOFOLLOW);
  UniqueFd item(retryAfterSignal(::openat, dirFd, name.c_str(), mode));
  if (!item.valid()) return errno;
  return ::fchflags(item.get(), flags) == 0 ? 0 : errno;
}

}  // namespace corvane::platform
