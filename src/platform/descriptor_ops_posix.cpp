#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/descriptor_flags.h"
#include "platform/descriptor_ops.h"
#include "platform/retry.h"

namespace corvane::platform {
namespace {

void fill(const struct stat& st, EntryStatus& out) {
  if (S_ISREG(st.st_mode))
    out.type = FileType::regular;
  else if (S_ISDIR(st.st_mode))
    out.type = FileType::directory;
  else if (S_ISLNK(st.st_mode))
    out.type = FileType::symlink;
  else
    out.type = FileType::other;
  out.device = static_cast<std::uint64_t>(st.st_dev);
  out.flags = statFlags(st);
}

}  // namespace

int entryStatusAt(int dirFd, const std::string& name, EntryStatus& out) {
  struct stat st {};
  if (retryAfterSignal(::fstatat, dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  fill(st, out);
  return 0;
}

int descriptorStatus(int fd, EntryStatus& out) {
  struct stat st {};
  if (retryAfterSignal(::fstat, fd, &st) != 0) return errno;
  fill(st, out);
  return 0;
}

int unlinkAt(int dirFd, const std::string& name, bool folder) {
  return retryAfterSignal(::unlinkat, dirFd, name.c_str(), folder ? AT_REMOVEDIR : 0) == 0 ? 0 : errno;
}

int listNamesAt(int dirFd, std::vector<std::string>& names) {
  const int copy = retryAfterSignal(::fcntl, dirFd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return errno;
  DIR* stream = ::fdopendir(copy);
  if (stream == nullptr) {
    const int code = errno;
    ::close(copy);
    return code;
  }
  ::rewinddir(stream);  // the duplicate shares its offset with dirFd
  int code = 0;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(stream);
    if (entry == nullptr) {
      code = errno;
      break;
    }
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(stream);
  return code;
}

}  // namespace corvane::platform
