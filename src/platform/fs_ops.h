#pragma once
// Descriptor-relative file operations for code that moves items: folders opened without following a
// final symbolic link, exclusive renames that never replace an existing item, and a few path checks.
// Every call retries after EINTR and reports errno exactly.

#include <optional>
#include <string>

#include "corvane/base/result.h"
#include "platform/retry.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

// Opens a folder by path, following links on the way and at the end (for folders such as the home
// folder, which may legitimately be reached through a link).
Result<UniqueFd> openDirectory(const std::string& path);
// Opens a folder by path for searching only (its entries can be opened and examined relative to it, but it
// cannot be listed), so that a folder whose mode lets the user through without reading it, such as a
// volume's shared Trash folder, can still be passed. Links on the way and at the end are followed.
Result<UniqueFd> openDirectoryForSearch(const std::string& path);
// The open flags that ask for a search-only folder descriptor on this system.
int searchOnlyOpenFlags();
// Opens the folder `name` inside `dirFd`; a symbolic link there fails with ELOOP.
Result<UniqueFd> openDirectoryNoFollow(int dirFd, const std::string& name);
// The same by absolute path: links before the last component are followed, a final one is refused. The
// folders on the way are only searched, never read.
Result<UniqueFd> openDirectoryNoFollow(const std::string& path);
// Opens `folder`, which lies at or below `anchor`, by opening the anchor and descending one component at a
// time without following any link, so that a folder swapped for a link meanwhile is refused (ELOOP)
// rather than left for. The anchor itself is reached through links on the way; a final link at the anchor
// is followed only when `followAnchorLink`. A folder not lexically at or below the anchor, or with a ".."
// component below it, fails with EINVAL.
Result<UniqueFd> openDirectoryBeneath(const std::string& anchor, const std::string& folder, bool followAnchorLink);
// fstatat without following: whether `name` in `dirFd` is a symbolic link.
bool isSymbolicLinkAt(int dirFd, const std::string& name);
// mkdirat; EEXIST is reported like any other errno.
Status makeDirectoryAt(int dirFd, const std::string& name, unsigned mode);

// Renames `fromName` in `fromDirFd` to `toName` in `toDirFd`, failing with EEXIST when `toName` is
// taken. A final symbolic link is moved itself, never its target. Where the volume cannot rename without
// the risk of replacing (ENOTSUP, or no such call at all) nothing is moved and the error is ENOTSUP with
// kNoExclusiveRename as its message.
inline constexpr const char* kNoExclusiveRename =
    "This volume cannot move an item without the risk of replacing another, so nothing was moved.";
Status renameExclusive(int fromDirFd, const std::string& fromName, int toDirFd, const std::string& toName);
// The same by paths: the source's parent folder is opened (following links), the destination's parent
// without following a final link (a folder swapped for a link is refused), then the last components are
// renamed.
Status renameExclusive(const std::string& fromPath, const std::string& toPath);

// Removes the empty folder at the path (rmdir relative to its parent, opened without following a final
// link); a folder with anything in it fails with ENOTEMPTY (or EEXIST).
Status removeEmptyDirectory(const std::string& path);

// The parent folder and last component of an absolute path ("/a/b/" gives "/a" and "b"); none for "/",
// for a relative path and for a last component "." or "..".
struct PathSplit {
  std::string parent;
  std::string name;
};
std::optional<PathSplit> splitPath(const std::string& path);

// The error of a failed exclusive rename of `name` from its errno.
Error exclusiveRenameError(int code, const std::string& name);

// Whether something exists at the path, following a final link; `isDirectory` receives its kind.
bool fileExists(const std::string& path, bool* isDirectory = nullptr);
// The access check for write permission (access(W_OK)). Root passes it almost everywhere.
bool isWritable(const std::string& path);

unsigned effectiveUserID();
unsigned effectiveGroupID();

}  // namespace corvane::platform
