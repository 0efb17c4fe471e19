#include <libproc.h>
#include <malloc/malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/resources.h"

namespace corvane::platform {

std::int64_t peakResidentBytes() {
  rusage usage{};
  if (::getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return static_cast<std::int64_t>(usage.ru_maxrss);  // bytes on macOS
}

std::int64_t childrenPeakResidentBytes() {
  rusage usage{};
  if (::getrusage(RUSAGE_CHILDREN, &usage) != 0) return 0;
  return static_cast<std::int64_t>(usage.ru_maxrss);  // bytes on macOS
}

std::int64_t currentResidentBytes() {
  proc_taskinfo info{};
  const int size = static_cast<int>(sizeof info);
  if (::proc_pidinfo(::getpid(), PROC_PIDTASKINFO, 0, &info, size) != size) return 0;
  return static_cast<std::int64_t>(info.pti_resident_size);
}

void releaseFreeMemory() { (void)::malloc_zone_pressure_relief(nullptr, 0); }

}  // namespace corvane::platform
