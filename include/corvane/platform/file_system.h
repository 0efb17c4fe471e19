#pragma once
// The file system as the analysis, discovery and history see it: folders listed and walked, items
// examined without following a final link, links resolved as a layout's Mac resolves them, files read
// within a bound, items renamed without replacing anything. The services take one of these in their
// constructors; realFileSystem() is the machine this process runs on, and MemoryFileSystem
// (memory_file_system.h) a tree held in memory for tests and previews.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/base/date.h"
#include "corvane/base/result.h"
#include "corvane/model/disk_identity.h"
#include "corvane/model/layout.h"
#include "corvane/platform/file_status.h"

namespace corvane::platform {

// What a folder entry is, as the entry itself says (a link to a folder is a link).
enum class EntryType { file, directory, symbolicLink, other };

struct FolderEntry {
  std::string name;
  EntryType type = EntryType::other;  // `other` also when the kind could not be read
  bool operator==(const FolderEntry&) const = default;
};

struct ListOptions {
  bool skipHidden = true;  // leave out what isHiddenItem hides
  bool sorted = false;     // by name (bytewise); otherwise in the order the system gives them
  // Reading stops at the first entry beyond this many (a folder someone filled on purpose is not read to
  // its end); `exceeded` then tells that there was more.
  std::size_t maxEntries = std::numeric_limits<std::size_t>::max();
};

struct Listing {
  std::vector<FolderEntry> entries;
  bool exceeded = false;
  bool operator==(const Listing&) const = default;
};

// Folders below a walk's root deeper than this are never entered, whatever the caller asks.
inline constexpr std::size_t kMaxWalkDepth = 64;

struct WalkLimits {
  std::size_t maxDepth = kMaxWalkDepth;  // 1 = the root's own entries only
  bool skipHidden = true;
  bool sorted = true;
  // Each item then carries its own status (read without following it, relative to its open folder).
  bool withStatus = false;
  // Told of each folder the walk meant to enter but could not open, with the errno.
  std::function<void(const std::string& path, int error)> onUnopened = nullptr;
};

struct WalkItem {
  std::string path;  // the root's path, "/", then the names down to the entry
  std::string name;
  EntryType type = EntryType::other;
  std::size_t depth = 1;  // 1 for the root's own entries
  std::optional<FileStatus> status;  // when the limits ask for it and it could be read
};

// `stop` ends the whole walk at once.
enum class WalkStep { descend, skipDescendants, stop };
using WalkVisitor = std::function<WalkStep(const WalkItem&)>;

// Whether the item `name` in `folder` is hidden from the user: its name begins with "." (and, where the
// system has one, its hidden flag is set).
bool isHiddenItem(const std::string& folder, const std::string& name);

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The entries of a folder without "." and ".."; a final link at `folder` is followed. Fails with the
  // errno of opening or reading it (ENOENT, ENOTDIR, EACCES...).
  virtual Result<Listing> list(const std::string& folder, const ListOptions& options = {}) const = 0;
  // Visits every entry below `root` (a final link there is followed), a folder before its children.
  // Links are never followed below the root; folders that cannot be opened are passed over; a folder is
  // entered only when the visitor asks and it lies less than `maxDepth` below the root. Fails only when
  // the root cannot be listed.
  virtual Status walk(const std::string& root, const WalkLimits& limits, const WalkVisitor& visit) const = 0;
  // Each of these fails with the errno and the path (ENOENT when the item is missing).
  // lstat.
  virtual Result<FileStatus> linkStatus(const std::string& path) const = 0;
  // The item's identity now (a final link is not followed).
  virtual Result<DiskIdentity> diskIdentity(const std::string& path) const = 0;
  // The target of a link as stored; EINVAL when the path is not a link.
  virtual Result<std::string> readLink(const std::string& path) const = 0;
  // The absolute path with every link resolved as this machine does.
  virtual Result<std::string> realPath(const std::string& path) const = 0;
  // The bytes of a file (a final link is followed); fails with EFBIG beyond `maxBytes`, EISDIR for a
  // folder, EINVAL for anything else that is not a regular file.
  virtual Result<std::vector<std::uint8_t>> readFile(const std::string& path, std::size_t maxBytes) const = 0;
  // Moves `from` to `to`; EEXIST when `to` is taken (nothing is ever replaced).
  virtual Status renameExclusive(const std::string& from, const std::string& to) const = 0;

  // Whether anything (even a dangling link) exists at the path.
  bool exists(const std::string& path) const { return linkStatus(path).has_value(); }
  // `hostPath` with its links resolved as `layout`'s Mac resolves them: an absolute link target is a Mac
  // path, so it leads under the layout's root, and ".." does not climb above the root. Inside the home
  // folder, the home's own location is resolved by the host. Fails with ENOENT when an item on the way is
  // missing, ELOOP when the links loop.
  Result<std::string> resolvedPath(const Layout& layout, std::string_view hostPath) const;

 protected:
  // Follows `rest` (relative components) from the already resolved folder `current`, an absolute link
  // target starting again at `realRoot`, ".." stopping there; `path` is what the errors name.
  Result<std::string> followComponents(std::string current, const std::string& realRoot, std::string_view rest,
                                       const std::string& path) const;
  // The walk on top of list(), for implementations with nothing better.
  Status walkByListing(const std::string& root, const WalkLimits& limits, const WalkVisitor& visit) const;
};

// This machine, on descriptors; the second form for services that hold theirs shared.
const FileSystem& realFileSystem();
std::shared_ptr<const FileSystem> sharedRealFileSystem();

// The time now, as the services see it.
using Clock = std::function<Date()>;

}  // namespace corvane::platform
