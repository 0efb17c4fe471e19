#include <sys/stat.h>

#include <cerrno>

#include "platform/stat_fields.h"

namespace corvane::platform {

std::uint32_t statFlags(const struct ::stat& st) { return st.st_flags; }

void readStatTimes(const struct ::stat& st, FileStatus& into) {
  into.modifiedNanoseconds = static_cast<std::int64_t>(st.st_mtimespec.tv_nsec);
  into.accessedSeconds = static_cast<std::int64_t>(st.st_atimespec.tv_sec);
  into.accessedNanoseconds = static_cast<std::int64_t>(st.st_atimespec.tv_nsec);
}

// Inode numbers are not handed out again at once: device and inode tell objects apart.
Result<FileStatus> identityStatus(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return Error::fromErrno(errno, "lstat", path);
  return statusFromStat(st);
}

Result<FileStatus> identityStatusAt(int dirFd, const std::string& name) { return statusAt(dirFd, name); }

}  // namespace corvane::platform
