#include "corvane/analysis/location_access.h"

#include <cerrno>
#include <set>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/platform/file_system.h"

namespace corvane {

Access accessOf(const std::string& folder) {
  // Opening the folder and reading its first entry is enough: a folder that large is not read to its end.
  auto listed = platform::realFileSystem().list(folder, {.skipHidden = false, .maxEntries = 0});
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

}  // namespace corvane
