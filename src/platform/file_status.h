#pragma once
// The one status record of the code base: what the system says of one item, read without following a
// final symbolic link (from a path, from inside an open folder, or from an open descriptor).

#include <optional>
#include <string>

#include "corvane/base/result.h"
#include "corvane/platform/file_status.h"

namespace corvane::platform {

// lstat: none on any failure. `error`, when given, receives errno.
std::optional<FileStatus> linkStatus(const std::string& path, int* error = nullptr);
// stat (follows links): none on any failure.
std::optional<FileStatus> status(const std::string& path, int* error = nullptr);
// fstatat(dirFd, name, AT_SYMLINK_NOFOLLOW); the error carries errno and the name.
Result<FileStatus> statusAt(int dirFd, const std::string& name);
// fstat of an open descriptor.
Result<FileStatus> statusOf(int fd);
// lstat with the creation stamp filled in: what tells one object from another at the same path.
std::optional<FileStatus> identityStatus(const std::string& path);

}  // namespace corvane::platform
