#pragma once
// Random bytes from the operating system.

#include <cstddef>
#include <cstdint>

namespace corvane::platform {

void randomBytes(std::uint8_t* out, std::size_t count);

}  // namespace corvane::platform
