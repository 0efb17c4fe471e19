#pragma once
// The one remover that destroys data: it deletes an item inside a Trash folder for good, working relative
// to the opened parent folder, never following a link, never leaving the parent's device, refusing
// locked items unless forced and anything not provably inside a Trash folder, and checking afterwards
// that the item is really gone. Inside a folder it goes on past what it cannot remove (a locked file, a
// folder swapped for a link) and removes the rest. Every call ends with exactly one ItemOutcome, that of
// the first failure when there was one; nothing is thrown.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

enum class SkipReason { unresolvable, rootItself, outsideTrash, duplicateInPlan, notInTrashAfterRealpath };

// Why an item was refused by a lock, a busy file or missing permission. `bundleId` is set only for
// runningApp.
struct BlockerKind {
  enum class Kind { runningApp, userLocked, systemImmutable, busy, permission };
  Kind kind = Kind::permission;
  std::string bundleId;

  static BlockerKind runningApp(std::string bundleId) { return {Kind::runningApp, std::move(bundleId)}; }
  static BlockerKind userLocked() { return {Kind::userLocked, {}}; }
  static BlockerKind systemImmutable() { return {Kind::systemImmutable, {}}; }
  static BlockerKind busy() { return {Kind::busy, {}}; }
  static BlockerKind permission() { return {Kind::permission, {}}; }
  bool operator==(const BlockerKind&) const = default;
};

// The outcome of one item, tagged by kind. Only the fields of its kind are meaningful: `bytes` for
// deleted and wouldDelete, `blocker` for blocked, `skip` for skippedUnsafe, `error` and `note` for failed.
struct ItemOutcome {
  enum class Kind { deleted, wouldDelete, alreadyGone, blocked, skippedUnsafe, failed };
  Kind kind = Kind::failed;
  std::string path;
  std::int64_t bytes = 0;
  BlockerKind blocker;
  SkipReason skip = SkipReason::outsideTrash;
  std::int32_t error = 0;
  std::string note;

  static ItemOutcome deleted(std::string path, std::int64_t bytes);
  static ItemOutcome wouldDelete(std::string path, std::int64_t bytes);
  static ItemOutcome alreadyGone(std::string path);
  static ItemOutcome blocked(std::string path, BlockerKind blocker);
  static ItemOutcome skippedUnsafe(std::string path, SkipReason reason);
  static ItemOutcome failed(std::string path, std::int32_t error, std::string note);

  bool operator==(const ItemOutcome&) const = default;
};

class FSMutator {
 public:
  struct DeleteOptions {
    bool force = false;   // clear the user lock flags and delete anyway
    bool dryRun = false;  // decide, but remove nothing
    bool operator==(const DeleteOptions&) const = default;
  };

  // Maximum folder nesting for removal.
  static constexpr int kMaxDepth = 512;

  // Deletes the item at `itemPath` (inside one of the Trash folders `roots`). `sizeBytes` is the
  // expected size reported back in deleted / wouldDelete (absent or negative counts as 0).
  static ItemOutcome deleteItem(const std::string& itemPath, std::optional<std::int64_t> sizeBytes,
                                const std::vector<std::string>& roots, const DeleteOptions& options);

  // BSD file flags that lock an item: set by its owner (immutable, append-only), and by the administrator
  // only (immutable, append-only, no unlink). Clearing the locks removes all five bits.
  static constexpr std::uint32_t kUserLockFlags = 0x2 | 0x4;
  static constexpr std::uint32_t kSystemLockFlags = 0x20000 | 0x40000 | 0x100000;

  // How an item's file flags are read and set; the machine's calls when a function is empty. Replaceable
  // so that locked items can be exercised on a file system that keeps no flags.
  struct FlagAccess {
    // The flags of `name` in the open folder `dirFd`, read without following a link.
    std::function<std::uint32_t(int dirFd, const std::string& name)> read;
    // Sets the flags of `name` (the link itself when `isLink`) to `flags`; failures are ignored.
    std::function<void(int dirFd, const std::string& name, bool isLink, std::uint32_t flags)> set;
  };

  // Called with a folder's path just before a folder inside the item is opened: a pause point where
  // tests change the tree under the remover.
  using BeforeOpening = std::function<void(const std::string& folderPath)>;

  FSMutator() = default;
  explicit FSMutator(FlagAccess flags, BeforeOpening beforeOpening = nullptr)
      : flags_(std::move(flags)), beforeOpening_(std::move(beforeOpening)) {}

  // deleteItem with this remover's flag access.
  ItemOutcome remove(const std::string& itemPath, std::optional<std::int64_t> sizeBytes,
                     const std::vector<std::string>& roots, const DeleteOptions& options) const;
  // The same for the entry `name` of the folder `parentFd`, which the caller opened inside a Trash folder
  // without following links; `itemPath` only names the item in the outcome.
  ItemOutcome removeFrom(int parentFd, const std::string& name, const std::string& itemPath,
                         std::optional<std::int64_t> sizeBytes, const DeleteOptions& options) const;

 private:
  // Removes the folder `name` and everything in it through the tree engine, going on past what it
  // cannot remove; the outcome of the first failure, if any.
  std::optional<ItemOutcome> removeTree(int parentFd, const std::string& name, bool force,
                                        const std::string& itemPath) const;
  std::uint32_t flagsOf(int dirFd, const std::string& name, std::uint32_t fromStatus) const;
  void clearLocks(int dirFd, const std::string& name, bool isLink, std::uint32_t flags) const;

  FlagAccess flags_;
  BeforeOpening beforeOpening_;
};

}  // namespace corvane
