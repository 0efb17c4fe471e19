#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>

#include "platform/object_identity.h"

namespace corvane::platform {

namespace {

std::uint64_t nanoseconds(std::int64_t seconds, std::uint32_t nanos) {
  return static_cast<std::uint64_t>(seconds) * 1000000000u + nanos;
}

}  // namespace

Result<ObjectIdentity> objectIdentity(const std::string& path) {
  struct statx sx {};
  if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0) {
    ObjectIdentity identity;
    identity.device = static_cast<std::uint32_t>(makedev(sx.stx_dev_major, sx.stx_dev_minor));
    identity.inode = sx.stx_ino;
    identity.fileType = sx.stx_mode & 0xF000u;
    identity.creationStamp = (sx.stx_mask & STATX_BTIME) != 0
                                 ? nanoseconds(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec)
                                 : nanoseconds(sx.stx_ctime.tv_sec, sx.stx_ctime.tv_nsec);
    return identity;
  }
  if (errno != ENOSYS) return Error::fromErrno(errno, "statx", path);
  // A kernel (or sandbox) without statx: lstat and the status-change time.
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return Error::fromErrno(errno, "lstat", path);
  return ObjectIdentity{static_cast<std::uint32_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                        static_cast<std::uint32_t>(st.st_mode) & 0xF000u,
                        nanoseconds(st.st_ctim.tv_sec, static_cast<std::uint32_t>(st.st_ctim.tv_nsec))};
}

}  // namespace corvane::platform
