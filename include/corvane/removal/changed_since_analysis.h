#pragma once
// Refuses findings whose item is no longer the object that was analysed: deleted, replaced by a new file
// of the same name, or turned into a link. A file that was merely written to is still the same object.

#include <functional>
#include <optional>
#include <vector>

#include "corvane/model/disk_identity.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/removal_records.h"

namespace corvane::ChangedSinceAnalysis {

inline constexpr const char* kItemMissingDescription = "It was no longer there when removal ran.";
inline constexpr const char* kChangedDescription =
    "It changed after it was analyzed, so it was left where it is. Analyze again to review it.";

using IdentityProvider = std::function<std::optional<DiskIdentity>(const Url&)>;

struct Partition {
  std::vector<FileFinding> unchanged;
  std::vector<TrashOperation> refused;
  bool operator==(const Partition&) const = default;
};

// Walks the findings once, in order. Findings without a recorded identity pass unchecked.
Partition partition(const std::vector<FileFinding>& findings,
                    const IdentityProvider& currentIdentity);
// The same, reading each item's identity from the disk now.
Partition partition(const std::vector<FileFinding>& findings);

}  // namespace corvane::ChangedSinceAnalysis
