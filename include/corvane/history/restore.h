#pragma once
// Putting one item back from the Trash to where it came from. Planning re-checks every fact right
// before acting; execution works through opened folder handles, renames exclusively (never replacing an
// item) or copies, verifies and removes across volumes, and reports each possible outcome as a value.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "corvane/history/put_back.h"
#include "corvane/model/layout.h"

namespace corvane {

enum class RestoreStrategy { rename, copyVerifyRemove };

// Why a restore was refused before anything was touched, in the order the checks run.
enum class RestoreRejection {
  sourceNotInTrash,
  destinationUntrusted,
  restoreIntoTrash,
  destParentMissing,
  destParentNotDir,
  destParentSymlink,
  destNotWritable,
  noFreeName,
};

struct SourceFacts {
  std::string path;              // the item's path in the Trash, as given
  std::string resolvedLocation;  // the path with its parent folder resolved through all links
  bool isSymlink = false;
  bool isDirectory = false;
  std::uint64_t stDev = 0;
  std::optional<std::int64_t> sizeBytes;  // allocated bytes; absent for folders and links

  bool operator==(const SourceFacts&) const = default;
};

struct VerifySpec {
  std::optional<std::int64_t> expectSize;
  bool isSymlink = false;
  bool isDirectory = false;

  bool operator==(const VerifySpec&) const = default;
};

struct RestorePlan {
  std::string sourcePath;
  std::string destPath;  // destination folder + "/" + the chosen free name
  RestoreStrategy strategy = RestoreStrategy::rename;
  VerifySpec verify;

  bool operator==(const RestorePlan&) const = default;
};

// What planning decided, tagged by kind: `plan` for planned, `rejection` for rejected.
struct RestoreDecision {
  enum class Kind { planned, rejected };
  Kind kind = Kind::rejected;
  RestorePlan plan;
  RestoreRejection rejection = RestoreRejection::sourceNotInTrash;

  RestoreDecision(RestorePlan planned) : kind(Kind::planned), plan(std::move(planned)) {}  // NOLINT: implicit by design
  RestoreDecision(RestoreRejection reason) : rejection(reason) {}                         // NOLINT: implicit by design
  bool operator==(const RestoreDecision&) const = default;
};

// One restore's outcome, tagged by kind: `to` and `strategy` for restored, `to` for sourceRemoveFailed,
// `rejection` for rejected, `note` for copyFailed and failed.
struct RestoreOutcome {
  enum class Kind { restored, rejected, copyFailed, sourceRemoveFailed, failed, sourceGone, destTaken };
  Kind kind = Kind::failed;
  std::string to;
  RestoreStrategy strategy = RestoreStrategy::rename;
  RestoreRejection rejection = RestoreRejection::sourceNotInTrash;
  std::string note;

  static RestoreOutcome restored(std::string to, RestoreStrategy strategy);
  static RestoreOutcome rejected(RestoreRejection reason);
  static RestoreOutcome copyFailed(std::string note);
  static RestoreOutcome sourceRemoveFailed(std::string to);
  static RestoreOutcome failed(std::string note);
  static RestoreOutcome sourceGone();
  static RestoreOutcome destTaken();

  // `to` for restored and sourceRemoveFailed.
  std::optional<std::string> restoredPath() const;
  bool operator==(const RestoreOutcome&) const = default;
};

namespace RestorePlanner {
inline constexpr int kFreeNameAttempts = 200;
// Whether a destination folder lies in a denied system location.
bool isDenied(const std::string& path);
// `base` when free, else "<stem> (restored)<ext>", "<stem> (restored 2)<ext>" ... up to 200 candidates.
std::optional<std::string> firstFreeName(const std::string& base, const std::vector<std::string>& existing,
                                         bool isDirectory);

// What planning saw of the destination folder (read without following a final link).
struct DestinationFacts {
  bool exists = false;  // a failed status read counts as missing, not a folder and not writable
  bool isSymlink = false;
  bool isDirectory = false;
  bool isWritable = false;
  std::uint64_t stDev = 0;
  std::uint64_t inode = 0;  // execution refuses a folder that is no longer this one
  std::vector<std::string> names;  // its entries; empty when it cannot be listed
  // The place on the Mac the folder stands for, which the denied folders are about (under a layout the
  // folder is a host path). Planning takes the folder itself while this is empty (the machine this
  // process runs on).
  std::optional<std::string> macPath;
  bool outsideMac = false;  // the folder stands for no place on the Mac: never restored into

  bool operator==(const DestinationFacts&) const = default;
};

// The checks in order, the first failing one giving the rejection; otherwise the plan: a free name in
// the folder, a rename on the same device and a copy across devices.
RestoreDecision plan(const SourceFacts& source, const DestinationFacts& destination, const PutBackInfo& putBack,
                     const std::vector<std::string>& roots);
}  // namespace RestorePlanner

class RestoreExecutor {
 public:
  struct Collaborators {
    // The access check for write permission on the destination folder (root passes it almost
    // everywhere, so tests replace it). Default: the system's.
    std::function<bool(const std::string& folder)> isWritable;
    // Called after planning, before anything is opened (tests use it to race the restore).
    std::function<void(const RestorePlan&)> afterPlanning;
    // The Mac path a host folder stands for; none for a folder outside the Mac. Default: the folder
    // itself (the machine this process runs on).
    std::function<std::optional<std::string>(const std::string& folder)> macPathOf;
    // Corvane's own folder, where copies in progress are recorded; with none, a copy left by a restore
    // that was killed stays where it is.
    std::string ownFolder;
    // Told, in a sentence, of what a restore saw and left alone.
    std::function<void(const std::string& sentence)> notice;
  };

  RestoreExecutor();
  explicit RestoreExecutor(Collaborators collaborators);
  // The collaborators for a layout: its Mac paths and its Corvane folder.
  static Collaborators forLayout(const Layout& layout);

  RestoreOutcome restore(const std::string& sourcePath, const PutBackInfo& putBack,
                         const std::vector<std::string>& roots, bool forceCopy) const;

 private:
  Collaborators collaborators_;
};

}  // namespace corvane
