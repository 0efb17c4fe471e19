#pragma once
// The rows of the Trash view: every top-level item of the user's Trash folders, with where it came from
// (the folder's Put Back records, or the uninstall history), who owns it and its triage lane.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "corvane/base/date.h"
#include "corvane/history/date_format.h"
#include "corvane/history/put_back.h"
#include "corvane/model/layout.h"
#include "corvane/removal/trash_locator.h"
#include "corvane/trash/leftover_row.h"
#include "corvane/trash/trash_scanner.h"

namespace corvane {

class LeftoversScanner {
 public:
  // Each collaborator left empty uses the machine: the layout's Trash folders, a real listing, lstat's
  // owner, the current time and calendar.
  struct Collaborators {
    std::function<std::vector<TrashLocator::Root>()> roots;
    std::function<TrashScanner::TrashScanResult(const std::string& trashFolder)> scanFolder;
    std::function<std::optional<unsigned>(const std::string& path)> ownerOf;  // none when unreadable
    std::function<Date()> now;
    std::optional<Calendar> calendar;
  };

  explicit LeftoversScanner(Layout layout, Collaborators collaborators = {});

  // The rows of all Trash folders, known sizes first and largest first, then by name. No rows when the
  // home has no Trash folder yet; `accessDenied` when the home Trash cannot be resolved or listed; a
  // volume Trash that cannot be listed is left out.
  // `historyOrigins` (Trash name -> where the history says it came from) applies to the home Trash only.
  LeftoversScanState scan(const HistoryOrigins& historyOrigins) const;

  // The Put Back table of one Trash folder; empty when its .DS_Store is missing or malformed. Folders
  // recorded for the home Trash (volume root "/") are Mac paths and come back as this layout's host
  // paths; a volume Trash's are already under its (host) mount point.
  PutBackTable loadPutBack(const std::string& trashRoot, const std::string& volumeRoot) const;

  // The rows of one Trash folder's items, in the same order as scan's. An item that came from the
  // system's own place in the home Library or in `systemLibrary` goes to the "Keep?" lane.
  static std::vector<LeftoverRow> assemble(const std::vector<TrashItem>& items, const PutBackTable& putBack,
                                           const HistoryOrigins& historyOrigins,
                                           const std::map<std::string, unsigned>& ownerUID,
                                           const std::string& trashRoot, Date now, const std::string& home,
                                           const Calendar& calendar, const std::string& systemLibrary = "/Library");

  // Largest .DS_Store read; a bigger one counts as malformed.
  static constexpr std::size_t kMaxDSStoreBytes = 64u << 20;

 private:
  // The home folder exists and has no Trash folder at all.
  bool homeTrashIsAbsent() const;

  Layout layout_;
  Collaborators collaborators_;
};

}  // namespace corvane
