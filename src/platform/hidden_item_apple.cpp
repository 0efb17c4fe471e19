#include <sys/stat.h>

#include "corvane/platform/file_system.h"

namespace corvane::platform {

// A leading dot or the UF_HIDDEN flag hides an item from Finder.
bool isHiddenItem(const std::string& folder, const std::string& name) {
  if (!name.empty() && name[0] == '.') return true;
  std::string path = (!folder.empty() && folder.back() == '/') ? folder + name : folder + "/" + name;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return false;
  return (st.st_flags & UF_HIDDEN) != 0;
}

}  // namespace corvane::platform
