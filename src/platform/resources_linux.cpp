#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>

#include "platform/resources.h"

namespace corvane::platform {

std::int64_t peakResidentBytes() {
  rusage usage{};
  if (::getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;  // kilobytes on Linux
}

std::int64_t childrenPeakResidentBytes() {
  rusage usage{};
  if (::getrusage(RUSAGE_CHILDREN, &usage) != 0) return 0;
  return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;  // kilobytes on Linux
}

std::int64_t currentResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::int64_t pages = 0, resident = 0;
  if (!(statm >> pages >> resident)) return 0;
  return resident * static_cast<std::int64_t>(::sysconf(_SC_PAGESIZE));
}

void releaseFreeMemory() { ::malloc_trim(0); }

}  // namespace corvane::platform
