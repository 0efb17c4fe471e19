#pragma once
// The SHA-1 digest, for name-based identifiers (not for anything that must resist an attacker).

#include <array>
#include <cstdint>
#include <string_view>

namespace corvane {

std::array<std::uint8_t, 20> sha1(std::string_view bytes);

}  // namespace corvane
