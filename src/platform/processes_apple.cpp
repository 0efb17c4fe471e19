#include <libproc.h>
#include <unistd.h>

#include <vector>

#include "platform/processes.h"

namespace corvane::platform {

std::vector<std::string> runningExecutablePaths() {
  std::vector<std::string> paths;
  int bytes = proc_listpids(PROC_UID_ONLY, getuid(), nullptr, 0);
  if (bytes <= 0) return paths;
  std::vector<pid_t> pids(static_cast<std::size_t>(bytes) / sizeof(pid_t) + 16);
  bytes = proc_listpids(PROC_UID_ONLY, getuid(), pids.data(), static_cast<int>(pids.size() * sizeof(pid_t)));
  if (bytes <= 0) return paths;
  pids.resize(static_cast<std::size_t>(bytes) / sizeof(pid_t));
  char buffer[PROC_PIDPATHINFO_MAXSIZE];
  for (pid_t pid : pids) {
    if (pid <= 0) continue;
    int n = proc_pidpath(pid, buffer, sizeof buffer);
    if (n > 0) paths.emplace_back(buffer, static_cast<std::size_t>(n));
  }
  return paths;
}

}  // namespace corvane::platform
