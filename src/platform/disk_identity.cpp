#include "platform/disk_identity.h"

#include "platform/object_identity.h"

namespace corvane::platform {

std::optional<DiskIdentity> diskIdentityOf(const Url& at) {
  auto id = objectIdentity(at.path());
  if (!id) return std::nullopt;
  return DiskIdentity{static_cast<std::uint64_t>(id->device), id->inode, id->fileType, id->creationStamp};
}

std::optional<DiskIdentity> diskIdentityWithStatus(const Url& at, FileStatus& status) {
  auto id = objectIdentity(at.path(), status);
  if (!id) return std::nullopt;
  return DiskIdentity{static_cast<std::uint64_t>(id->device), id->inode, id->fileType, id->creationStamp};
}

}  // namespace corvane::platform
