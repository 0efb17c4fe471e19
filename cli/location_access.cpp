#include "cli/location_access.h"

#include <cerrno>
#include <ostream>
#include <set>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/platform/file_system.h"

namespace corvane::cli {

Access accessOf(const std::string& folder) {
  auto listed = platform::realFileSystem().list(folder);
  if (listed.has_value()) return Access::readable;
  const int code = listed.error().code;
  return code == ENOENT || code == ENOTDIR ? Access::missing : Access::denied;
}

const char* accessText(Access access) {
  switch (access) {
    case Access::readable: return "readable";
    case Access::missing: return "missing";
    case Access::denied: return "denied";
  }
  return "denied";
}

std::vector<LocationAccess> searchedLocations(const Layout& layout) {
  std::vector<std::string> paths;
  for (const auto& location :
       AppAnalyzer(layout).searchLocations(Url::fileURL(layout.userLibrary()), Url::fileURL(layout.library())))
    paths.push_back(location.url.path());
  for (const auto& path : {layout.applications(), layout.receipts(), layout.systemExtensions(),
                           layout.backgroundItems(), layout.userTrash()})
    paths.push_back(path);
  std::vector<LocationAccess> found;
  std::set<std::string> seen;
  for (const auto& path : paths)
    if (seen.insert(path).second) found.push_back({path, accessOf(path)});
  return found;
}

void printUnreadLocations(std::ostream& out, const Layout& layout) {
  std::size_t denied = 0;
  for (const auto& location : searchedLocations(layout)) denied += location.access == Access::denied;
  if (denied == 0) return;
  out << denied << (denied == 1 ? " searched location" : " searched locations")
      << " could not be read (see corvane doctor).\n";
}

}  // namespace corvane::cli
