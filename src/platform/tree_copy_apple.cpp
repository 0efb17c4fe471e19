#include <copyfile.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/tree_copy.h"

namespace corvane::platform {

EntryFacts entryFactsFrom(const struct stat& st) {
  EntryFacts f;
  f.type = S_ISLNK(st.st_mode) ? FileType::symlink
           : S_ISDIR(st.st_mode) ? FileType::directory
           : S_ISREG(st.st_mode) ? FileType::regular
                                 : FileType::other;
  f.device = static_cast<std::uint64_t>(st.st_dev);
  f.inode = static_cast<std::uint64_t>(st.st_ino);
  f.mode = static_cast<std::uint32_t>(st.st_mode);
  f.size = static_cast<std::int64_t>(st.st_size);
  f.allocatedSize = static_cast<std::int64_t>(st.st_blocks) * 512;
  f.accessed = {static_cast<std::int64_t>(st.st_atimespec.tv_sec), static_cast<std::int64_t>(st.st_atimespec.tv_nsec)};
  f.modified = {static_cast<std::int64_t>(st.st_mtimespec.tv_sec), static_cast<std::int64_t>(st.st_mtimespec.tv_nsec)};
  return f;
}

Status copyFileContents(int fromFd, int toFd) {
  if (::fcopyfile(fromFd, toFd, nullptr, COPYFILE_DATA | COPYFILE_XATTR) != 0) return Error::fromErrno(errno, "fcopyfile");
  return Ok{};
}

Status clearUserLockFlagsAt(int dirFd, const std::string& name) {
  struct stat st {};
  if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return Error::fromErrno(errno, "fstatat", name);
  const std::uint32_t userLocks = UF_IMMUTABLE | UF_APPEND;
  if ((st.st_flags & userLocks) == 0) return Ok{};
  const int openFlags = S_ISLNK(st.st_mode) ? O_SYMLINK : O_NOFOLLOW;
  int fd = retryAfterSignal(::openat, dirFd, name.c_str(), O_RDONLY | O_CLOEXEC | openFlags);
  if (fd < 0) return Error::fromErrno(errno, "open", name);
  UniqueFd item(fd);
  if (::fchflags(item.get(), st.st_flags & ~userLocks) != 0) return Error::fromErrno(errno, "chflags", name);
  return Ok{};
}

}  // namespace corvane::platform
