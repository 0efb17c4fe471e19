#include "corvane/disk_identity.h"

#include "corvane/hashing.h"
#include "platform/file_status.h"

namespace corvane {

std::optional<DiskIdentity> DiskIdentity::current(const Url& at) {
  auto st = platform::linkStatus(at.path());
  if (!st) return std::nullopt;
  return DiskIdentity{static_cast<std::uint64_t>(st->device), st->inode, st->mode & platform::kFileTypeMask};
}

}  // namespace corvane

std::size_t std::hash<corvane::DiskIdentity>::operator()(const corvane::DiskIdentity& v) const noexcept {
  return corvane::hashAll(v.device, v.fileNumber, v.fileType);
}
