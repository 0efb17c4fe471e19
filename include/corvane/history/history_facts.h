#pragma once
// Facts kept beside the history file, by record id, so that the records' own form stays as it is: what an
// uninstall freed ("<history file>.sizes.json") and the restores done from it ("<history file>.restores.json").
//
//     .sizes.json     {"<record id>": {"allocatedBytes": 1234, "atLeast": false}, ...}
//     .restores.json  {"<record id>": [{"restoredAt": "2026-12-04T18:41:39Z", "summary": "...",
//                                       "restoredPaths": ["/Users/u/Library/..."]}, ...], ...}
//
// Each side file is one JSON object, rewritten whole and atomically under the history's own writers' lock,
// so that two processes at once keep both changes. A missing, unreadable or malformed side file reads as
// empty: losing one only loses what is shown from it. Entries of a form this version does not know are
// skipped when read and kept when written.

#include <optional>
#include <string>
#include <vector>

#include "corvane/analysis/size_rollup.h"
#include "corvane/base/date.h"
#include "corvane/base/result.h"
#include "corvane/base/url.h"
#include "corvane/base/uuid.h"
#include "corvane/history/history_store.h"

namespace corvane {

// One restore done from a recorded uninstall.
struct RestoreNote {
  Date restoredAt;
  std::string summary;                     // the batch's sentence, as it was shown
  std::vector<std::string> restoredPaths;  // where the items were put back, sorted

  bool operator==(const RestoreNote&) const = default;
};

// Side files larger than this read as empty.
inline constexpr std::size_t kMaxHistoryFactsBytes = 4u << 20;

class HistoryFacts {
 public:
  // The side files of the history file at `historyURL`, read and written through `fileManager` (its
  // readFile, writeAtomically and lock).
  HistoryFacts(HistoryFileManager fileManager, Url historyURL);

  // "<history file>.<kind>.json".
  static std::string sideFilePath(const std::string& historyFile, const std::string& kind);

  // What the uninstall freed, when it was remembered.
  std::optional<SizeTotal> freed(const Uuid& record) const;
  Status rememberFreed(const Uuid& record, const SizeTotal& freed);

  // The restores done from the uninstall, oldest first.
  std::vector<RestoreNote> restores(const Uuid& record) const;
  Status rememberRestore(const Uuid& record, const RestoreNote& note);

 private:
  template <class Edit>
  Status edit(const std::string& kind, Edit change);

  HistoryFileManager fileManager_;
  std::string historyFile_;
};

}  // namespace corvane
