#pragma once
// Status of one item, read without following a final symbolic link.

#include <optional>
#include <string>

#include "corvane/platform/file_status.h"

namespace corvane::platform {

// lstat: none on any failure. `error`, when given, receives errno.
std::optional<FileStatus> linkStatus(const std::string& path, int* error = nullptr);
// lstat of `name` inside the open folder `dirFd`: none on any failure.
std::optional<FileStatus> linkStatusAt(int dirFd, const char* name, int* error = nullptr);
// stat (follows links): none on any failure.
std::optional<FileStatus> status(const std::string& path, int* error = nullptr);

}  // namespace corvane::platform
