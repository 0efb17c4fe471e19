#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/file_status.h"
#include "platform/retry.h"
#include "platform/stat_fields.h"

namespace corvane::platform {

FileStatus statusFromStat(const struct stat& st) {
  FileStatus s;
  s.device = static_cast<std::uint64_t>(st.st_dev);
  s.inode = static_cast<std::uint64_t>(st.st_ino);
  s.mode = static_cast<std::uint32_t>(st.st_mode);
  s.size = static_cast<std::int64_t>(st.st_size);
  s.allocatedSize = static_cast<std::int64_t>(st.st_blocks) * 512;
  s.modifiedSeconds = static_cast<std::int64_t>(st.st_mtime);
  s.changedSeconds = static_cast<std::int64_t>(st.st_ctime);
  s.uid = static_cast<std::uint32_t>(st.st_uid);
  s.linkCount = static_cast<std::uint64_t>(st.st_nlink);
  s.flags = statFlags(st);
  readStatTimes(st, s);
  return s;
}

FileType FileStatus::type() const {
  switch (mode & S_IFMT) {
    case S_IFREG: return FileType::regular;
    case S_IFDIR: return FileType::directory;
    case S_IFLNK: return FileType::symlink;
    default: return FileType::other;
  }
}

Result<FileStatus> linkStatus(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return Error::fromErrno(errno, "lstat", path);
  return statusFromStat(st);
}

Result<FileStatus> status(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return Error::fromErrno(errno, "stat", path);
  return statusFromStat(st);
}

Result<FileStatus> statusAt(int dirFd, const std::string& name) {
  struct stat st {};
  if (retryAfterSignal(::fstatat, dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return Error::fromErrno(errno, "fstatat", name);
  return statusFromStat(st);
}

Result<FileStatus> statusOf(int fd) {
  struct stat st {};
  if (retryAfterSignal(::fstat, fd, &st) != 0) return Error::fromErrno(errno, "fstat");
  return statusFromStat(st);
}

}  // namespace corvane::platform
