#include <sys/resource.h>

#include "platform/resources.h"

namespace corvane::platform {

std::int64_t peakResidentBytes() {
  rusage usage{};
  if (::getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return static_cast<std::int64_t>(usage.ru_maxrss);  // bytes on macOS
}

}  // namespace corvane::platform
