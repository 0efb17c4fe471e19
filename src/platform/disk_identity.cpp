#include "platform/disk_identity.h"

#include "platform/object_identity.h"

namespace corvane::platform {

Result<DiskIdentity> diskIdentityOf(const Url& at) {
  auto id = objectIdentity(at.path());
  if (!id.has_value()) return id.error();
  return DiskIdentity{static_cast<std::uint64_t>(id->device), id->inode, id->fileType, id->creationStamp};
}

}  // namespace corvane::platform
