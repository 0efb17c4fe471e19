#include "corvane/model/layout.h"

#include <deque>

#include "corvane/base/url.h"
#include "platform/directory.h"
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

namespace {

// Links followed in one resolution before it counts as a loop (the limit macOS and Linux use).
constexpr int kMaxLinkHops = 40;

bool isAtOrUnder(const std::string& path, const std::string& base) {
  if (base == "/") return !path.empty() && path.front() == '/';
  return path == base || (path.size() > base.size() && path.starts_with(base) && path[base.size()] == '/');
}

std::string parentOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

}  // namespace

std::optional<std::string> Layout::resolvedPath(std::string_view hostPath) const {
  // Not standardised first: ".." applies to where a link led, as the system's own resolution does.
  const std::string path(hostPath);
  auto hostResolved = [](const std::string& p) -> std::optional<std::string> {
    auto real = platform::realPath(p);
    if (!real) return std::nullopt;
    return url::standardizedPath(*real);
  };
  if (isLiveSystem()) return hostResolved(path);
  // Where the Mac's own tree starts: the host resolves the way there, the Mac's rules hold below it.
  const std::string rootPath = url::standardizedPath(root);
  const std::string homePath = home.empty() ? std::string() : url::standardizedPath(home);
  std::string base;
  if (isAtOrUnder(path, rootPath)) {
    base = rootPath;
  } else if (!homePath.empty() && isAtOrUnder(path, homePath)) {
    base = homePath;
  } else {
    return hostResolved(path);
  }
  const std::optional<std::string> realRoot = hostResolved(rootPath);
  std::optional<std::string> current = hostResolved(base);
  if (!realRoot || !current) return std::nullopt;

  std::deque<std::string> pending;
  for (auto& part : url::pathComponents(std::string_view(path).substr(base.size()))) pending.push_back(std::move(part));
  int hops = 0;
  while (!pending.empty()) {
    std::string part = std::move(pending.front());
    pending.pop_front();
    if (part == "/" || part == ".") continue;
    if (part == "..") {
      if (*current != *realRoot) *current = parentOf(*current);
      continue;
    }
    std::string next = *current == "/" ? "/" + part : *current + "/" + part;
    std::optional<std::string> target = platform::readLink(next);
    if (!target) {
      if (!platform::itemExists(next)) return std::nullopt;
      *current = std::move(next);
      continue;
    }
    if (++hops > kMaxLinkHops || target->empty()) return std::nullopt;
    std::vector<std::string> parts = url::pathComponents(*target);
    pending.insert(pending.begin(), parts.begin(), parts.end());
    if (target->front() == '/') *current = *realRoot;
  }
  return current;
}

std::string Layout::underHome(std::string_view relativePath) const {
  std::string base = home;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (relativePath.empty()) return base;
  return base + "/" + std::string(relativePath);
}

}  // namespace corvane
