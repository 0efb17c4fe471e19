// What every file system shares: links resolved under a layout's root, and a walk over listings.

#include <cerrno>
#include <deque>
#include <vector>

#include "corvane/base/url.h"
#include "corvane/platform/file_system.h"
#include "platform/folder_walk.h"

namespace corvane::platform {

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

Result<std::string> FileSystem::followComponents(std::string current, const std::string& realRoot,
                                                 std::string_view rest, const std::string& path) const {
  std::deque<std::string> pending;
  for (auto& part : url::pathComponents(rest)) pending.push_back(std::move(part));
  int hops = 0;
  while (!pending.empty()) {
    std::string part = std::move(pending.front());
    pending.pop_front();
    if (part == "/" || part == ".") continue;
    if (part == "..") {
      if (current != realRoot) current = parentOf(current);
      continue;
    }
    std::string next = childPath(current, part);
    Result<std::string> target = readLink(next);
    if (!target.has_value()) {
      if (target.error().code != EINVAL) return Error::fromErrno(target.error().code, "resolve", path);
      current = std::move(next);
      continue;
    }
    if (++hops > kMaxLinkHops) return Error::fromErrno(ELOOP, "resolve", path);
    if (target->empty()) return Error::fromErrno(ENOENT, "resolve", path);
    std::vector<std::string> parts = url::pathComponents(*target);
    pending.insert(pending.begin(), parts.begin(), parts.end());
    if (target->front() == '/') current = realRoot;
  }
  return current;
}

Result<std::string> FileSystem::resolvedPath(const Layout& layout, std::string_view hostPath) const {
  // Not standardised first: ".." applies to where a link led, as the system's own resolution does.
  const std::string path(hostPath);
  auto hostResolved = [this](const std::string& p) -> Result<std::string> {
    auto real = realPath(p);
    if (!real.has_value()) return real.error();
    return url::standardizedPath(*real);
  };
  if (layout.isLiveSystem()) return hostResolved(path);
  // Where the Mac's own tree starts: the host resolves the way there, the Mac's rules hold below it.
  const std::string rootPath = url::standardizedPath(layout.root);
  const std::string homePath = layout.home.empty() ? std::string() : url::standardizedPath(layout.home);
  std::string base;
  if (isAtOrUnder(path, rootPath)) {
    base = rootPath;
  } else if (!homePath.empty() && isAtOrUnder(path, homePath)) {
    base = homePath;
  } else {
    return hostResolved(path);
  }
  const Result<std::string> realRoot = hostResolved(rootPath);
  if (!realRoot.has_value()) return realRoot.error();
  Result<std::string> current = hostResolved(base);
  if (!current.has_value()) return current.error();
  return followComponents(std::move(*current), *realRoot, std::string_view(path).substr(base.size()), path);
}

Status FileSystem::walkByListing(const std::string& root, const WalkLimits& limits, const WalkVisitor& visit) const {
  const ListOptions options{limits.skipHidden, limits.sorted};
  struct Folder {
    std::string path;
    std::vector<FolderEntry> entries;
  };
  auto open = [&](const std::string& path) -> Result<Folder> {
    auto listing = list(path, options);
    if (!listing.has_value()) return listing.error();
    return Folder{path, std::move(listing->entries)};
  };
  auto top = open(root);
  if (!top.has_value()) return top.error();
  walkFolders(
      std::move(top).value(), limits, visit,
      [&](const Folder&, const FolderEntry&, const std::string& path) -> std::optional<FileStatus> {
        auto st = linkStatus(path);
        if (!st.has_value()) return std::nullopt;
        return *st;
      },
      [&](const Folder&, const FolderEntry&, const std::string& path) { return open(path); });
  return Ok{};
}

}  // namespace corvane::platform
