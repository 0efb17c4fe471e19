#include "platform/system_layout.h"

#include "corvane/platform/file_system.h"
#include "platform/user.h"

namespace corvane::platform {

Layout systemLayout() {
  Layout layout;
  layout.root = "/";
  layout.home = homeDirectory();
  layout.userID = currentUserID();
  return layout;
}

Result<std::string> resolvedPath(const Layout& layout, std::string_view hostPath) {
  return realFileSystem().resolvedPath(layout, hostPath);
}

}  // namespace corvane::platform
