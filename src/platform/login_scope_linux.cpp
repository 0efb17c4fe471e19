#include <cerrno>

#include "platform/login_scope.h"

namespace corvane::platform {

// Linux accounts have no such identifier; a layout may name one instead.
Result<std::array<std::uint8_t, 16>> currentUserGUID() { return Error::fromErrno(ENOTSUP, "mbr_uid_to_uuid"); }

}  // namespace corvane::platform
