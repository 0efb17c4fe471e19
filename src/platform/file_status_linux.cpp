#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

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

namespace {

Result<FileStatus> identityStatusIn(int dirFd, const std::string& name) {
  // One statx says it all where the kernel has it; the scans of large folders ask this of every item.
  struct statx sx {};
  if (::statx(dirFd, name.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0) {
    FileStatus status;
    status.device = static_cast<std::uint64_t>(makedev(sx.stx_dev_major, sx.stx_dev_minor));
    status.inode = sx.stx_ino;
    status.mode = sx.stx_mode;
    status.size = static_cast<std::int64_t>(sx.stx_size);
    status.allocatedSize = static_cast<std::int64_t>(sx.stx_blocks) * 512;
    status.modifiedSeconds = sx.stx_mtime.tv_sec;
    status.changedSeconds = sx.stx_ctime.tv_sec;
    status.uid = sx.stx_uid;
    status.linkCount = sx.stx_nlink;
    status.modifiedNanoseconds = sx.stx_mtime.tv_nsec;
    status.accessedSeconds = sx.stx_atime.tv_sec;
    status.accessedNanoseconds = sx.stx_atime.tv_nsec;
    status.creationStamp = (sx.stx_mask & STATX_BTIME) != 0 ? nanoseconds(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec)
                                                            : nanoseconds(sx.stx_ctime.tv_sec, sx.stx_ctime.tv_nsec);
    return status;
  }
  if (errno != ENOSYS) return Error::fromErrno(errno, "statx", name);
  struct stat st {};
  if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return Error::fromErrno(errno, "fstatat", name);
  FileStatus status = statusFromStat(st);
  status.creationStamp = nanoseconds(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
  return status;
}

}  // namespace

// ext4 hands a freed inode number to the next new file at once, so device and inode alone cannot tell a
// recreated file from the original: the birth time where the file system keeps one, else the last
// status change, tells them apart.
Result<FileStatus> identityStatus(const std::string& path) { return identityStatusIn(AT_FDCWD, path); }

Result<FileStatus> identityStatusAt(int dirFd, const std::string& name) { return identityStatusIn(dirFd, name); }

}  // namespace corvane::platform
