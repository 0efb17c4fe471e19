#pragma once
// The generated unique identifier of the current user's account record.

#include <array>
#include <cstdint>
#include <optional>

namespace corvane::platform {

// From the directory services where the system has them; none elsewhere or on any failure.
std::optional<std::array<std::uint8_t, 16>> currentUserGUID();

}  // namespace corvane::platform
