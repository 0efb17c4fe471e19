#pragma once
// Reading whole files within a size limit.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "corvane/result.h"

namespace corvane::platform {

// The bytes of the file at `path` (a final symbolic link is followed). Fails with the errno of open, fstat or
// read; with EISDIR for a folder; with EINVAL ("not a regular file") for a pipe, socket or device, which is
// never opened for blocking reads; and with EFBIG when the file holds more than `maxBytes` bytes (at most
// maxBytes + 1 bytes are ever read, so a file that grows while it is read is caught as well).
Result<std::vector<std::uint8_t>> readFileBytes(const std::string& path, std::size_t maxBytes);

}  // namespace corvane::platform
