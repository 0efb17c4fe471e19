#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <vector>

#include "platform/tree_copy.h"

namespace corvane::platform {

namespace {

// The kernel keeps these itself (access control lists, security labels); the new file has its own.
bool isKernelAttribute(const std::string& name) {
  return name.rfind("system.", 0) == 0 || name.rfind("security.", 0) == 0;
}

Status copyDataByReadWrite(int fromFd, int toFd) {
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const auto got = retryAfterSignal(::read, fromFd, buffer.data(), buffer.size());
    if (got < 0) return Error::fromErrno(errno, "read");
    if (got == 0) return Ok{};
    for (ssize_t done = 0; done < got;) {
      const auto put = retryAfterSignal(::write, toFd, buffer.data() + done, static_cast<std::size_t>(got - done));
      if (put < 0) return Error::fromErrno(errno, "write");
      done += put;
    }
  }
}

Status copyData(int fromFd, int toFd) {
  bool copiedSome = false;
  for (;;) {
    const auto copied = retryAfterSignal(::copy_file_range, fromFd, nullptr, toFd, nullptr, std::size_t{1} << 30, 0u);
    if (copied == 0) return Ok{};
    if (copied > 0) {
      copiedSome = true;
      continue;
    }
    // Across file systems on older kernels, or where the call is missing: copy by hand from where we are.
    if (!copiedSome && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
      return copyDataByReadWrite(fromFd, toFd);
    return Error::fromErrno(errno, "copy_file_range");
  }
}

Status copyAttributes(int fromFd, int toFd) {
  const auto listed = ::flistxattr(fromFd, nullptr, 0);
  if (listed < 0) return errno == ENOTSUP ? Status(Ok{}) : Status(Error::fromErrno(errno, "listxattr"));
  std::vector<char> names(static_cast<std::size_t>(listed));
  const auto length = ::flistxattr(fromFd, names.data(), names.size());
  if (length < 0) return Error::fromErrno(errno, "listxattr");
  for (std::size_t at = 0; at < static_cast<std::size_t>(length);) {
    const std::string name(names.data() + at);
    at += name.size() + 1;
    if (name.empty() || isKernelAttribute(name)) continue;
    const auto size = ::fgetxattr(fromFd, name.c_str(), nullptr, 0);
    if (size < 0) return Error::fromErrno(errno, "getxattr", name);
    std::vector<char> value(static_cast<std::size_t>(size));
    const auto got = ::fgetxattr(fromFd, name.c_str(), value.data(), value.size());
    if (got < 0) return Error::fromErrno(errno, "getxattr", name);
    if (::fsetxattr(toFd, name.c_str(), value.data(), static_cast<std::size_t>(got), 0) != 0)
      return Error::fromErrno(errno, "setxattr", name);
  }
  return Ok{};
}

}  // namespace

Status copyFileContents(int fromFd, int toFd) {
  auto data = copyData(fromFd, toFd);
  if (!data.has_value()) return data;
  return copyAttributes(fromFd, toFd);
}

}  // namespace corvane::platform
