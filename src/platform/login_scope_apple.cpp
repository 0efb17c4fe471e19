#include <membership.h>
#include <unistd.h>
#include <uuid/uuid.h>

#include <algorithm>

#include "platform/login_scope.h"

namespace corvane::platform {

Result<std::array<std::uint8_t, 16>> currentUserGUID() {
  uuid_t guid;
  if (int error = ::mbr_uid_to_uuid(::getuid(), guid); error != 0) return Error::fromErrno(error, "mbr_uid_to_uuid");
  std::array<std::uint8_t, 16> bytes{};
  std::copy(guid, guid + 16, bytes.begin());
  return bytes;
}

}  // namespace corvane::platform
