#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "platform/directory.h"

namespace corvane::platform {

Result<std::string> realPath(const std::string& path) {
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), std::free);
  if (!resolved) return Error::fromErrno(errno, "realpath", path);
  return std::string(resolved.get());
}

Result<std::string> readLink(const std::string& path) {
  std::string buffer(256, '\0');
  for (;;) {
    ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return Error::fromErrno(errno, "readlink", path);
    if (static_cast<std::size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(n));
      return buffer;
    }
    if (buffer.size() >= (1u << 20)) return Error::fromErrno(ENAMETOOLONG, "readlink", path);  // no real link is this long
    buffer.resize(buffer.size() * 2);
  }
}

Result<std::string> currentDirectory() {
  std::unique_ptr<char, void (*)(void*)> folder(::getcwd(nullptr, 0), std::free);
  if (!folder) return Error::fromErrno(errno, "getcwd");
  return std::string(folder.get());
}

bool itemExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

Status checkFolderAccess(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return Error::fromErrno(errno, "stat", path);
  if (!S_ISDIR(st.st_mode)) return Error::fromErrno(ENOTDIR, "stat", path);
  if (::faccessat(AT_FDCWD, path.c_str(), R_OK | X_OK, AT_EACCESS) != 0) return Error::fromErrno(errno, "access", path);
  return Ok{};
}

}  // namespace corvane::platform
