#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/file_io.h"
#include "platform/fs_ops.h"

namespace corvane::platform {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

Error tooLarge(const std::string& path, std::size_t maxBytes) {
  Error error = Error::fromErrno(EFBIG, "read", path);
  error.message = "file is larger than " + std::to_string(maxBytes) + " bytes";
  return error;
}

}  // namespace

Result<std::vector<std::uint8_t>> readFileBytes(const std::string& path, std::size_t maxBytes) {
  // O_NONBLOCK keeps a pipe planted at the path from blocking the open; it is refused below.
  int fd = retryAfterSignal([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); });
  if (fd < 0) return Error::fromErrno(errno, "open", path);
  UniqueFd file(fd);

  struct stat st {};
  if (::fstat(file.get(), &st) != 0) return Error::fromErrno(errno, "fstat", path);
  if (S_ISDIR(st.st_mode)) return Error::fromErrno(EISDIR, "read", path);
  if (!S_ISREG(st.st_mode)) {
    Error error = Error::fromErrno(EINVAL, "read", path);
    error.message = "not a regular file";
    return error;
  }
  if (st.st_size > 0 && static_cast<std::uint64_t>(st.st_size) > maxBytes) return tooLarge(path, maxBytes);

  // Some files (those under /proc, for one) report size 0 and still have contents: read until the end.
  std::vector<std::uint8_t> bytes;
  std::size_t expected = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
  bytes.reserve(std::min(expected, maxBytes) + 1);
  const std::size_t cap = maxBytes == SIZE_MAX ? maxBytes : maxBytes + 1;
  while (bytes.size() < cap) {
    std::size_t want = std::min(kReadChunk, cap - bytes.size());
    std::size_t used = bytes.size();
    bytes.resize(used + want);
    ssize_t got = retryAfterSignal([&] { return ::read(file.get(), bytes.data() + used, want); });
    if (got < 0) return Error::fromErrno(errno, "read", path);
    bytes.resize(used + static_cast<std::size_t>(got));
    if (got == 0) break;
  }
  if (bytes.size() > maxBytes) return tooLarge(path, maxBytes);
  return bytes;
}

}  // namespace corvane::platform
