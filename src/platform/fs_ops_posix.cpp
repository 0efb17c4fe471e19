#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/fs_ops.h"

namespace corvane::platform {

Result<UniqueFd> openDirectory(const std::string& path) {
  int fd = retryAfterSignal(::open, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Error::fromErrno(errno, "open", path);
  return UniqueFd(fd);
}

Result<UniqueFd> openDirectoryForSearch(const std::string& path) {
  int fd = retryAfterSignal(::open, path.c_str(), searchOnlyOpenFlags() | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Error::fromErrno(errno, "open", path);
  return UniqueFd(fd);
}

Result<UniqueFd> openDirectoryNoFollow(int dirFd, const std::string& name) {
  int fd = retryAfterSignal(::openat, dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    int code = errno;
    // Linux reports a final link as "not a folder" when O_DIRECTORY is given; say what it is. A folder
    // there now was a link a moment ago (swapped back since).
    if (code == ENOTDIR) {
      struct stat st {};
      if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && (S_ISLNK(st.st_mode) || S_ISDIR(st.st_mode)))
        code = ELOOP;
    }
    return Error::fromErrno(code, "open", name);
  }
  return UniqueFd(fd);
}

Result<UniqueFd> openDirectoryNoFollow(const std::string& path) {
  auto split = splitPath(path);
  if (!split) {
    if (path.find_first_not_of('/') == std::string::npos && !path.empty()) return openDirectory("/");
    return Error::fromErrno(EINVAL, "open", path);
  }
  auto parent = openDirectoryForSearch(split->parent);
  if (!parent.has_value()) return parent.error();
  auto folder = openDirectoryNoFollow(parent->get(), split->name);
  if (!folder.has_value()) return Error::fromErrno(folder.error().code, "open", path);
  return folder;
}

Result<UniqueFd> openDirectoryBeneath(const std::string& anchor, const std::string& folder, bool followAnchorLink) {
  std::string base = anchor;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  const bool atRoot = base == "/";
  if (base.empty() || folder.compare(0, base.size(), base) != 0 ||
      (!atRoot && folder.size() > base.size() && folder[base.size()] != '/'))
    return Error::fromErrno(EINVAL, "open", folder);
  auto fd = followAnchorLink ? openDirectory(base) : openDirectoryNoFollow(base);
  std::size_t at = atRoot ? 0 : base.size();
  while (fd.has_value() && at < folder.size()) {
    const std::size_t start = at + 1;
    at = std::min(folder.find('/', start), folder.size());
    const std::string name = folder.substr(start, at - start);
    if (name.empty() || name == ".") continue;
    if (name == "..") return Error::fromErrno(EINVAL, "open", folder);
    auto next = openDirectoryNoFollow(fd->get(), name);
    if (!next.has_value()) return Error::fromErrno(next.error().code, "open", folder);
    fd = std::move(next);
  }
  return fd;
}

bool isSymbolicLinkAt(int dirFd, const std::string& name) {
  struct stat st {};
  return ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

Status makeDirectoryAt(int dirFd, const std::string& name, unsigned mode) {
  if (retryAfterSignal(::mkdirat, dirFd, name.c_str(), static_cast<mode_t>(mode)) != 0)
    return Error::fromErrno(errno, "mkdir", name);
  return Ok{};
}

std::optional<PathSplit> splitPath(const std::string& path) {
  if (path.empty() || path.front() != '/') return std::nullopt;
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  auto slash = trimmed.rfind('/');
  std::string name = trimmed.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  std::string parent = trimmed.substr(0, slash);
  while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
  if (parent.empty()) parent = "/";
  return PathSplit{std::move(parent), std::move(name)};
}

Status renameExclusive(const std::string& fromPath, const std::string& toPath) {
  auto from = splitPath(fromPath);
  if (!from) return Error::fromErrno(EINVAL, "rename", fromPath);
  auto to = splitPath(toPath);
  if (!to) return Error::fromErrno(EINVAL, "rename", toPath);
  auto fromDir = openDirectory(from->parent);
  if (!fromDir.has_value()) return fromDir.error();
  auto toDir = openDirectoryNoFollow(to->parent);
  if (!toDir.has_value()) return toDir.error();
  auto renamed = renameExclusive(fromDir->get(), from->name, toDir->get(), to->name);
  if (!renamed.has_value()) return Error{renamed.error().code, "rename", fromPath, renamed.error().message};
  return Ok{};
}

Error exclusiveRenameError(int code, const std::string& name) {
  if (code == ENOTSUP || code == ENOSYS) return Error{ENOTSUP, "rename", name, kNoExclusiveRename};
  return Error::fromErrno(code, "rename", name);
}

Status removeEmptyDirectory(const std::string& path) {
  auto split = splitPath(path);
  if (!split) return Error::fromErrno(EINVAL, "rmdir", path);
  auto parent = openDirectoryNoFollow(split->parent);
  if (!parent.has_value()) return parent.error();
  if (retryAfterSignal(::unlinkat, parent->get(), split->name.c_str(), AT_REMOVEDIR) != 0)
    return Error::fromErrno(errno, "rmdir", path);
  return Ok{};
}

bool fileExists(const std::string& path, bool* isDirectory) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
  return true;
}

bool isWritable(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

unsigned effectiveUserID() { return static_cast<unsigned>(::geteuid()); }
unsigned effectiveGroupID() { return static_cast<unsigned>(::getegid()); }

}  // namespace corvane::platform
