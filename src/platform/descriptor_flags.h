#pragma once
// The BSD file flags of a status record; 0 where the system keeps none.

#include <cstdint>

struct stat;

namespace corvane::platform {

std::uint32_t statFlags(const struct ::stat& st);

}  // namespace corvane::platform
