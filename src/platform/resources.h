#pragma once
// What the process has used so far.

#include <cstdint>

namespace corvane::platform {

// The peak resident set size of this process, in bytes.
std::int64_t peakResidentBytes();

// The largest peak resident set size among this process's children that have ended, in bytes.
std::int64_t childrenPeakResidentBytes();
// The resident set size of this process now, in bytes (0 when the system does not say).
std::int64_t currentResidentBytes();

// Hands memory the allocator holds but no longer uses back to the system, so that the resident size
// that follows reflects what is still in use (a no-op where the allocator has no such call).
void releaseFreeMemory();

// How many file descriptors this process has open.
int openDescriptorCount();

// Processor time (user and system) used so far by this process and by its children that have ended.
struct CpuSeconds {
  double self = 0;
  double children = 0;
};
CpuSeconds cpuSeconds();

}  // namespace corvane::platform
