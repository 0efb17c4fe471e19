#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <memory>

#include "platform/processes.h"

namespace corvane::platform {

std::vector<std::string> runningExecutablePaths() {
  std::vector<std::string> paths;
  std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), ::closedir);
  if (!proc) return paths;
  const uid_t me = ::getuid();
  while (const dirent* e = ::readdir(proc.get())) {
    const char* name = e->d_name;
    if (*name < '1' || *name > '9') continue;
    std::string base = std::string("/proc/") + name;
    struct stat st {};
    if (::stat(base.c_str(), &st) != 0 || st.st_uid != me) continue;
    char buffer[PATH_MAX];
    ssize_t n = ::readlink((base + "/exe").c_str(), buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer) continue;
    std::string exe(buffer, static_cast<std::size_t>(n));
    // A replaced executable reads as "path (deleted)"; it no longer stands for an installed bundle.
    constexpr std::string_view kDeleted = " (deleted)";
    if (exe.size() > kDeleted.size() && exe.compare(exe.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
      continue;
    paths.push_back(std::move(exe));
  }
  return paths;
}

}  // namespace corvane::platform
