#include <dirent.h>
#include <sys/resource.h>

#include <cstring>

#include "platform/resources.h"

namespace corvane::platform {

namespace {

double seconds(const rusage& usage) {
  auto of = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return of(usage.ru_utime) + of(usage.ru_stime);
}

}  // namespace

int openDescriptorCount() {
  DIR* folder = ::opendir("/dev/fd");
  if (folder == nullptr) return 0;
  int count = 0;
  while (const dirent* entry = ::readdir(folder))
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) ++count;
  ::closedir(folder);
  return count - 1;  // the listing's own descriptor
}

CpuSeconds cpuSeconds() {
  rusage self{}, children{};
  CpuSeconds times;
  if (::getrusage(RUSAGE_SELF, &self) == 0) times.self = seconds(self);
  if (::getrusage(RUSAGE_CHILDREN, &children) == 0) times.children = seconds(children);
  return times;
}

}  // namespace corvane::platform
