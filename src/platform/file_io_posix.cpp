#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

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

namespace {

// Opens a regular file for reading; `st` receives its status.
Result<UniqueFd> openRegularFile(const std::string& path, struct stat& st) {
  // O_NONBLOCK keeps a pipe planted at the path from blocking the open; it is refused below.
  int fd = retryAfterSignal([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); });
  if (fd < 0) return Error::fromErrno(errno, "open", path);
  UniqueFd file(fd);
  if (::fstat(file.get(), &st) != 0) return Error::fromErrno(errno, "fstat", path);
  if (S_ISDIR(st.st_mode)) return Error::fromErrno(EISDIR, "read", path);
  if (!S_ISREG(st.st_mode)) {
    Error error = Error::fromErrno(EINVAL, "read", path);
    error.message = "not a regular file";
    return error;
  }
  return file;
}

}  // namespace

Result<std::vector<std::uint8_t>> readFileBytes(const std::string& path, std::size_t maxBytes) {
  struct stat st {};
  auto opened = openRegularFile(path, st);
  if (!opened.has_value()) return opened.error();
  UniqueFd file = std::move(opened.value());
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

Result<PositionedFile> PositionedFile::open(const std::string& path) {
  struct stat st {};
  auto opened = openRegularFile(path, st);
  if (!opened.has_value()) return opened.error();
  std::uint64_t size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  return PositionedFile(std::move(opened.value()), size, path);
}

Status PositionedFile::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    std::uint64_t at = offset + done;
    if (at > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return Error::fromErrno(EINVAL, "pread", path_);
    ssize_t got = retryAfterSignal(
        [&] { return ::pread(fd_.get(), out.data() + done, out.size() - done, static_cast<off_t>(at)); });
    if (got < 0) return Error::fromErrno(errno, "pread", path_);
    if (got == 0) return Error::fromErrno(EIO, "pread", path_);
    done += static_cast<std::size_t>(got);
  }
  return Ok{};
}

}  // namespace corvane::platform
