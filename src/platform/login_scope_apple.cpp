#include <membership.h>
#include <unistd.h>
#include <uuid/uuid.h>

#include <algorithm>

#include "platform/login_scope.h"

namespace corvane::platform {

std::optional<std::array<std::uint8_t, 16>> currentUserGUID() {
  uuid_t guid;
  if (::mbr_uid_to_uuid(::getuid(), guid) != 0) return std::nullopt;
  std::array<std::uint8_t, 16> bytes{};
  std::copy(guid, guid + 16, bytes.begin());
  return bytes;
}

}  // namespace corvane::platform
