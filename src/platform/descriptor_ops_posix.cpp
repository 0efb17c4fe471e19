#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/descriptor_ops.h"
#include "platform/retry.h"

namespace corvane::platform {

namespace {

NamedEntry entryOf(const dirent& e) {
  switch (e.d_type) {
    case DT_DIR: return {e.d_name, FileType::directory, true};
    case DT_REG: return {e.d_name, FileType::regular, true};
    case DT_LNK: return {e.d_name, FileType::symlink, true};
    case DT_UNKNOWN: return {e.d_name, FileType::other, false};
    default: return {e.d_name, FileType::other, true};
  }
}

}  // namespace

Status unlinkAt(int dirFd, const std::string& name, bool folder) {
  if (retryAfterSignal(::unlinkat, dirFd, name.c_str(), folder ? AT_REMOVEDIR : 0) != 0)
    return Error::fromErrno(errno, folder ? "rmdir" : "unlink", name);
  return Ok{};
}

Result<std::vector<NamedEntry>> listEntriesAt(int dirFd) {
  const int copy = retryAfterSignal(::fcntl, dirFd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return Error::fromErrno(errno, "fcntl");
  DIR* stream = ::fdopendir(copy);
  if (stream == nullptr) {
    const int code = errno;
    ::close(copy);
    return Error::fromErrno(code, "fdopendir");
  }
  std::vector<NamedEntry> entries;
  ::rewinddir(stream);  // the duplicate shares its offset with dirFd
  int code = 0;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(stream);
    if (entry == nullptr) {
      code = errno;
      break;
    }
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") entries.push_back(entryOf(*entry));
  }
  ::closedir(stream);
  if (code != 0) return Error::fromErrno(code, "readdir");
  return entries;
}

}  // namespace corvane::platform
