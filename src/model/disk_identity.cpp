#include "corvane/model/disk_identity.h"

#include "base/hashing.h"
#include "platform/object_identity.h"

namespace corvane {

std::optional<DiskIdentity> DiskIdentity::current(const Url& at) {
  auto id = platform::objectIdentity(at.path());
  if (!id) return std::nullopt;
  return DiskIdentity{static_cast<std::uint64_t>(id->device), id->inode, id->fileType, id->creationStamp};
}

}  // namespace corvane

std::size_t std::hash<corvane::DiskIdentity>::operator()(const corvane::DiskIdentity& v) const noexcept {
  return corvane::hashAll(v.device, v.fileNumber, v.fileType);
}
