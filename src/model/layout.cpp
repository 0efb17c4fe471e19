#include "corvane/model/layout.h"

#include "corvane/base/url.h"

namespace corvane {

Layout Layout::at(std::string root, std::string home, unsigned userID) {
  Layout layout;
  layout.root = std::move(root);
  layout.home = std::move(home);
  layout.userID = userID;
  return layout;
}

std::string Layout::underRoot(std::string_view absolutePath) const {
  std::string base = root;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base == "/" || base.empty()) return std::string(absolutePath);
  return base + std::string(absolutePath);
}

bool Layout::isLiveSystem() const { return url::standardizedPath(root.empty() ? "/" : root) == "/"; }

std::string Layout::hostPath(std::string_view macPath) const {
  std::string path = url::standardizedPath(macPath.starts_with("/") ? std::string(macPath) : "/" + std::string(macPath));
  if (path == "/") return url::standardizedPath(root.empty() ? "/" : root);
  return underRoot(path);
}

std::optional<std::string> Layout::macPath(std::string_view hostPath) const {
  std::string path = url::standardizedPath(hostPath);
  if (isLiveSystem()) return path;
  std::string base = url::standardizedPath(root);
  if (path == base) return "/";
  if (path.size() > base.size() && path.starts_with(base) && path[base.size()] == '/') return path.substr(base.size());
  return std::nullopt;
}

std::string Layout::underHome(std::string_view relativePath) const {
  std::string base = home;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (relativePath.empty()) return base;
  return base + "/" + std::string(relativePath);
}

}  // namespace corvane
