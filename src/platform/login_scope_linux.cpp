#include "platform/login_scope.h"

namespace corvane::platform {

// Linux accounts have no such identifier; a layout may name one instead.
std::optional<std::array<std::uint8_t, 16>> currentUserGUID() { return std::nullopt; }

}  // namespace corvane::platform
