#pragma once
// Deciding what a permanent delete may touch: a plan admits only items that lie strictly inside a Trash
// folder, once each; a confirmation request tells the caller when the user must type a phrase; and a
// report adds up what the remover did, item by item.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corvane/removal/fs_mutator.h"

namespace corvane {

enum class DeleteMode { normalEmpty, forceEmpty, deleteSelection };

struct DeleteCandidate {
  std::string path;                         // the item's path in the Trash
  std::optional<std::string> resolvedPath;  // links resolved; none when it could not be resolved
  bool isDirectory = false;
  bool isSymlink = false;
  std::optional<std::int64_t> sizeBytes;  // expected size
  bool isDataless = false;                // cloud-only content: the size cannot be measured
  bool hasUserImmutableFlag = false;
  bool hasSystemBlockingFlag = false;

  bool operator==(const DeleteCandidate&) const = default;
};

struct PlannedItem {
  DeleteCandidate candidate;
  bool admitted = false;
  std::optional<SkipReason> skip;  // none for admitted items
  bool needsForce = false;         // the user lock flag is set
  bool systemBlocked = false;      // a system lock flag is set

  bool operator==(const PlannedItem&) const = default;
};

struct DeletePlan {
  DeleteMode mode = DeleteMode::deleteSelection;
  std::vector<PlannedItem> items;  // one per candidate, in candidate order

  std::vector<PlannedItem> admitted() const;
  // Sum of the sizes of admitted items that have one and are not dataless (negative counted as 0).
  std::int64_t totalAdmittedBytes() const;
  // Admitted items without a size, or dataless.
  int unmeasuredCount() const;

  bool operator==(const DeletePlan&) const = default;
};

// Blocked items by the kind of blocker.
struct BlockerBreakdown {
  int locked = 0;
  int runningApp = 0;
  int system = 0;
  int busy = 0;
  int permission = 0;

  int total() const { return locked + runningApp + system + busy + permission; }
  bool operator==(const BlockerBreakdown&) const = default;
};

struct DeleteReport {
  DeleteMode mode = DeleteMode::deleteSelection;
  bool dryRun = false;
  std::vector<ItemOutcome> outcomes;  // in item order
  bool finished = false;              // the whole batch ran

  // deleted, wouldDelete and alreadyGone.
  int clearedCount() const;
  // Bytes of deleted and wouldDelete.
  std::int64_t bytesReclaimed() const;
  int blockedCount() const;
  int unsafeCount() const;
  int failedCount() const;
  std::vector<std::string> userLockedPaths() const;
  // Finished, with nothing blocked, failed or skipped as unsafe.
  bool fullySucceeded() const;
  BlockerBreakdown blockerBreakdown() const;

  bool operator==(const DeleteReport&) const = default;
};

namespace DeletePlanner {
// One planned item per candidate: unresolvable, a Trash folder itself, outside every Trash folder, or
// already admitted are skipped; everything else is admitted with its lock flags noted.
DeletePlan plan(const std::vector<DeleteCandidate>& candidates, const std::vector<std::string>& roots,
                DeleteMode mode);
}  // namespace DeletePlanner

struct ConfirmationRequest {
  DeleteMode mode = DeleteMode::deleteSelection;
  std::string scope;  // what the caller is deleting from, as it names it
  int admittedCount = 0;
  std::int64_t totalAdmittedBytes = 0;
  int unmeasuredCount = 0;
  BlockerBreakdown blockers;
  bool requiresTypedPhrase = false;
  std::optional<std::string> phrase;  // only when a phrase is required

  bool operator==(const ConfirmationRequest&) const = default;
};

namespace ConfirmationPolicy {
inline constexpr int kTypedPhraseItemThreshold = 100;
inline constexpr std::int64_t kTypedPhraseByteThreshold = 1000000000;
inline constexpr const char* kPhrase = "Delete Permanently";

// Deleting a selection of more than 100 items or more than 1000000000 bytes asks for the typed phrase.
ConfirmationRequest request(const DeletePlan& plan, const BlockerBreakdown& blockers, const std::string& scope);
}  // namespace ConfirmationPolicy

// "1 item", "3 items", "2 children" (with the plural given).
std::string countLabel(long long count, const std::string& singular,
                       const std::optional<std::string>& plural = std::nullopt);

}  // namespace corvane
