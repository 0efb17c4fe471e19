#pragma once
// The generated unique identifier of the current user's account record.

#include <array>
#include <cstdint>

#include "corvane/base/result.h"

namespace corvane::platform {

// From the directory services where the system has them; fails with their error, or with ENOTSUP where
// the system has none.
Result<std::array<std::uint8_t, 16>> currentUserGUID();

}  // namespace corvane::platform
