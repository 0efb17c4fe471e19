#pragma once
// What the process has used so far.

#include <cstdint>

namespace corvane::platform {

// The peak resident set size of this process, in bytes.
std::int64_t peakResidentBytes();

}  // namespace corvane::platform
