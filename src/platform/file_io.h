#pragma once
// Reading whole files within a size limit, or parts of a file at given offsets.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "corvane/base/result.h"
#include "platform/fs_ops.h"

namespace corvane::platform {

// The bytes of the file at `path` (a final symbolic link is followed). Fails with the errno of open, fstat or
// read; with EISDIR for a folder; with EINVAL ("not a regular file") for a pipe, socket or device, which is
// never opened for blocking reads; and with EFBIG when the file holds more than `maxBytes` bytes (at most
// maxBytes + 1 bytes are ever read, so a file that grows while it is read is caught as well).
Result<std::vector<std::uint8_t>> readFileBytes(const std::string& path, std::size_t maxBytes);

// A regular file opened for positioned reads (pread), for formats whose parts lie far apart in a large file.
class PositionedFile {
 public:
  // Opens the file at `path` (a final symbolic link is followed). Fails like readFileBytes: with the errno
  // of open or fstat, EISDIR for a folder, EINVAL for anything else that is not a regular file.
  static Result<PositionedFile> open(const std::string& path);

  // The size when the file was opened.
  std::uint64_t size() const { return size_; }
  // Fills `out` from `offset`. Fails with the errno of pread, or with EIO when the file ends first.
  Status readAt(std::uint64_t offset, std::span<std::uint8_t> out) const;

 private:
  PositionedFile(UniqueFd fd, std::uint64_t size, std::string path)
      : fd_(std::move(fd)), size_(size), path_(std::move(path)) {}
  UniqueFd fd_;
  std::uint64_t size_ = 0;
  std::string path_;
};

}  // namespace corvane::platform
