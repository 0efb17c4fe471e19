#include "corvane/model/disk_identity.h"

#include "base/hashing.h"

std::size_t std::hash<corvane::DiskIdentity>::operator()(const corvane::DiskIdentity& v) const noexcept {
  return corvane::hashAll(v.device, v.fileNumber, v.fileType);
}
