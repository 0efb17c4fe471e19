#include "corvane/removal/elevation_guard.h"

#include <vector>

#include "platform/file_status.h"
#include "platform/directory.h"
#include "platform/fs_ops.h"

namespace corvane::ElevationGuard {

namespace {

// Links resolved as far as the item goes: the whole path when it resolves, otherwise its parent folder
// (a dangling link or a missing item keeps its own name).
std::string resolved(const std::string& path) {
  if (auto real = platform::realPath(path); real.has_value()) return url::standardizedPath(*real);
  if (auto split = platform::splitPath(path)) {
    if (auto parent = platform::realPath(split->parent); parent.has_value())
      return url::standardizedPath(*parent + "/" + split->name);
  }
  return url::standardizedPath(path);
}

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::vector<std::string> splitKeepingEmpty(const std::string& text) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (;;) {
    std::size_t slash = text.find('/', start);
    if (slash == std::string::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, slash - start));
    start = slash + 1;
  }
}

bool isTopLevelBundle(const std::string& rest) {
  auto pieces = splitKeepingEmpty(rest);
  std::string bundle;
  if (pieces.size() == 1) {
    bundle = pieces[0];
  } else if (pieces.size() == 2 && pieces[0] == "Utilities") {
    bundle = pieces[1];
  } else {
    return false;
  }
  return !bundle.empty();
}

}  // namespace

ElevationCandidate candidate(const Url& url) {
  std::string path = url.path();
  ElevationCandidate facts;
  auto link = platform::linkStatus(path);
  facts.isSymlink = link && link->type() == platform::FileType::symlink;
  auto followed = platform::status(path);
  facts.exists = followed.has_value();
  facts.ownedByCurrentUser = followed && followed->uid == platform::effectiveUserID();
  facts.resolvedPath = resolved(path);
  return facts;
}

std::optional<std::string> ineligibilityReason(const ElevationCandidate& candidate, const Layout& layout) {
  const std::string& path = candidate.resolvedPath;
  const std::string applications = layout.underRoot("/Applications/");
  if (!candidate.exists) return kMissing;
  if (candidate.isSymlink) return kSymbolicLink;
  if (candidate.ownedByCurrentUser) return kAlreadyOwned;
  if (path.find('\0') != std::string::npos || path.find('\n') != std::string::npos) return kMalformedPath;
  if (startsWith(path, layout.underRoot("/System/"))) return kSystemItem;
  if (!startsWith(path, applications)) return kOutsideApplications;
  if (!endsWith(path, ".app")) return kNotApplicationBundle;
  if (!isTopLevelBundle(path.substr(applications.size()))) return kNotTopLevel;
  return std::nullopt;
}

}  // namespace corvane::ElevationGuard
