#include <sys/resource.h>

#include "platform/resources.h"

namespace corvane::platform {

namespace {

double seconds(const rusage& usage) {
  auto of = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return of(usage.ru_utime) + of(usage.ru_stime);
}

}  // namespace

CpuSeconds cpuSeconds() {
  rusage self{}, children{};
  CpuSeconds times;
  if (::getrusage(RUSAGE_SELF, &self) == 0) times.self = seconds(self);
  if (::getrusage(RUSAGE_CHILDREN, &children) == 0) times.children = seconds(children);
  return times;
}

}  // namespace corvane::platform
