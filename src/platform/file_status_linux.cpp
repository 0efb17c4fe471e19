#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/stat_fields.h"

namespace corvane::platform {

namespace {

std::uint64_t nanoseconds(std::int64_t seconds, std::int64_t nanos) {
  return static_cast<std::uint64_t>(seconds) * 1000000000u + static_cast<std::uint64_t>(nanos);
}

}  // namespace

// Linux keeps no BSD file flags: no item is ever locked.
std::uint32_t statFlags(const struct ::stat&) { return 0; }

void readStatTimes(const struct ::stat& st, FileStatus& into) {
  into.modifiedNanoseconds = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
  into.accessedSeconds = static_cast<std::int64_t>(st.st_atim.tv_sec);
  into.accessedNanoseconds = static_cast<std::int64_t>(st.st_atim.tv_nsec);
}

// ext4 hands a freed inode number to the next new file at once, so device and inode alone cannot tell a
// recreated file from the original: the birth time where the file system keeps one, else the last
// status change, tells them apart.
std::optional<FileStatus> identityStatus(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
  FileStatus status = statusFromStat(st);
  status.creationStamp = nanoseconds(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
  struct statx sx {};
  if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_BTIME, &sx) == 0 &&
      sx.stx_ino == status.inode && (sx.stx_mask & STATX_BTIME) != 0)
    status.creationStamp = nanoseconds(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
  return status;
}

}  // namespace corvane::platform
