#include <copyfile.h>
#include <sys/stat.h>

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

}  // namespace corvane::platform
