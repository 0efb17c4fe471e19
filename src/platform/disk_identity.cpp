#include "platform/disk_identity.h"

#include <cerrno>

#include "platform/file_status.h"

namespace corvane::platform {

Result<DiskIdentity> diskIdentityOf(const Url& at) {
  errno = 0;
  auto st = identityStatus(at.path());
  if (!st) return Error::fromErrno(errno != 0 ? errno : ENOENT, "lstat", at.path());
  return identityIn(*st);
}

DiskIdentity identityIn(const FileStatus& st) {
  // The 32-bit device number, as identities have always been recorded.
  return DiskIdentity{static_cast<std::uint32_t>(st.device), st.inode, st.mode & kFileTypeMask, st.creationStamp};
}

}  // namespace corvane::platform
