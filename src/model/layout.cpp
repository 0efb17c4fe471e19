#include "corvane/layout.h"

#include "platform/user.h"

namespace corvane {

Layout Layout::system() {
  Layout layout;
  layout.root = "/";
  layout.home = platform::homeDirectory();
  layout.userID = platform::currentUserID();
  return layout;
}

Layout Layout::at(std::string root, std::string home) {
  Layout layout;
  layout.root = std::move(root);
  layout.home = std::move(home);
  layout.userID = platform::currentUserID();
  return layout;
}

std::string Layout::underRoot(std::string_view absolutePath) const {
  std::string base = root;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base == "/" || base.empty()) return std::string(absolutePath);
  return base + std::string(absolutePath);
}

std::string Layout::underHome(std::string_view relativePath) const {
  std::string base = home;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (relativePath.empty()) return base;
  return base + "/" + std::string(relativePath);
}

}  // namespace corvane
