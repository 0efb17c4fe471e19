#include "platform/disk_identity.h"

#include <cerrno>

#include "platform/file_status.h"

namespace corvane::platform {

Result<DiskIdentity> diskIdentityOf(const Url& at) {
  auto st = identityStatus(at.path());
  if (!st) return st.error();
  return identityIn(*st);
}

DiskIdentity identityIn(const FileStatus& st) {
  // The 32-bit device number, as identities have always been recorded.
  return DiskIdentity{static_cast<std::uint32_t>(st.device), st.inode, st.mode & kFileTypeMask, st.creationStamp};
}

}  // namespace corvane::platform
