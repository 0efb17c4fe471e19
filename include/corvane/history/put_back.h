#pragma once
// Where an item in the Trash came from: the Put Back records of a Trash folder's .DS_Store ("ptbL", the
// folder relative to the volume root, and "ptbN", the item's name there), and the fallback from the
// uninstall history for items moved without such records.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "corvane/base/date.h"
#include "corvane/formats/ds_store.h"

namespace corvane {

struct PutBackInfo {
  std::string trashName;       // the item's name inside the Trash
  std::string originalParent;  // absolute folder it came from; no trailing "/" except for "/" itself
  std::string originalName;    // the name it had there

  // originalParent + "/" + originalName ("/" + name under the root).
  std::string originalPath() const;
  bool operator==(const PutBackInfo&) const = default;
};

struct HistoryPutBackOrigin {
  std::string originalPath;  // the absolute path the item had
  Date trashedAt{};          // when it was moved

  bool operator==(const HistoryPutBackOrigin&) const = default;
};

// Trash name -> Put Back information.
using PutBackTable = std::map<std::string, PutBackInfo>;
// Trash name -> where the uninstall history says the item came from.
using HistoryOrigins = std::map<std::string, HistoryPutBackOrigin>;

namespace PutBackStore {
// A history origin applies only to an item trashed within this many seconds of it (either way).
inline constexpr long kFallbackToleranceSeconds = 600;

PutBackTable resolve(const std::vector<DSRecord>& records, const std::string& volumeRoot);
std::string normalizeParent(const std::string& parent, const std::string& volumeRoot);
std::optional<PutBackInfo> infoFrom(const std::string& originalPath, const std::string& trashName);
std::optional<PutBackInfo> applicableFallback(const std::string& name, std::optional<Date> dateTrashed,
                                              const HistoryOrigins& origins);
}  // namespace PutBackStore

}  // namespace corvane
