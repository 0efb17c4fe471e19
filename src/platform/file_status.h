#pragma once
// The one status record of the code base: what the system says of one item, read without following a
// final symbolic link (from a path, from inside an open folder, or from an open descriptor).

#include <string>

#include "corvane/base/result.h"
#include "corvane/platform/file_status.h"

namespace corvane::platform {

// lstat; the error carries errno and the path.
Result<FileStatus> linkStatus(const std::string& path);
// stat (follows links); the error carries errno and the path.
Result<FileStatus> status(const std::string& path);
// fstatat(dirFd, name, AT_SYMLINK_NOFOLLOW); the error carries errno and the name.
Result<FileStatus> statusAt(int dirFd, const std::string& name);
// fstat of an open descriptor.
Result<FileStatus> statusOf(int fd);
// lstat with the creation stamp filled in: what tells one object from another at the same path.
Result<FileStatus> identityStatus(const std::string& path);
// The same of `name` inside the open folder `dirFd`, without following a final link: a scan of a large
// folder asks this of every entry, and the kernel then walks no path.
Result<FileStatus> identityStatusAt(int dirFd, const std::string& name);

}  // namespace corvane::platform
