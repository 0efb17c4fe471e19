#pragma once
// The two actions on selected rows of the Trash view: Put Back, which hands each row to the restore
// machinery with the Put Back record of its Trash folder (or the uninstall history's), and Delete
// Permanently, which plans, confirms and removes each row with the remover. Every row gets one outcome.
// Items the administrator owns in the home Trash go through a privileged step that the caller supplies.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "corvane/history/put_back.h"
#include "corvane/history/restore.h"
#include "corvane/model/layout.h"
#include "corvane/removal/fs_mutator.h"
#include "corvane/removal/privileged_shell_running.h"
#include "corvane/removal/trash_locator.h"
#include "corvane/trash/delete_plan.h"
#include "corvane/trash/leftover_row.h"

namespace corvane {

class AppTrashMutator {
 public:
  struct DeletePreview {
    int itemCount = 0;
    std::int64_t byteEstimate = 0;
    bool requiresTypedPhrase = false;
    std::string phrase;  // empty when no phrase is required

    bool operator==(const DeletePreview&) const = default;
  };

  // What the caller's privileged step reports for one root-owned item.
  struct RootDeleteOutcome {
    bool deleted = false;
    std::optional<std::string> message;

    bool operator==(const RootDeleteOutcome&) const = default;
  };

  // Removes root-owned items of the home Trash with administrator rights: path -> what happened.
  using RootDeleteStep = std::function<std::map<std::string, RootDeleteOutcome>(const std::vector<std::string>& paths)>;
  // Hands root-owned items of the home Trash back to the user: the paths that may now be put back.
  using ReclaimStep = std::function<std::set<std::string>(const std::vector<std::string>& paths)>;

  struct Collaborators {
    std::function<std::vector<TrashLocator::Root>()> roots;
    std::function<ItemOutcome(const std::string& itemPath, std::optional<std::int64_t> sizeBytes,
                              const std::vector<std::string>& roots, const FSMutator::DeleteOptions& options)>
        remove;
    std::function<RestoreOutcome(const std::string& sourcePath, const PutBackInfo& putBack,
                                 const std::vector<std::string>& roots, bool forceCopy)>
        restore;
    // The Put Back table of one Trash folder.
    std::function<PutBackTable(const std::string& trashRoot, const std::string& volumeRoot)> loadPutBack;
  };

  static constexpr const char* kOtherDriveNote = "System-owned items on another drive can't be removed here.";
  static constexpr const char* kNotRemovedNote = "The item could not be removed.";

  // Told, in a sentence, of what a Put Back saw and left alone.
  using Notice = std::function<void(const std::string& sentence)>;

  // The machine's Trash folders for the layout, the real remover, restore and Put Back tables.
  explicit AppTrashMutator(Layout layout);
  AppTrashMutator(Layout layout, Notice notice);
  AppTrashMutator(Layout layout, Collaborators collaborators);

  DeletePreview deleteConfirmation(const std::vector<LeftoverRow>& rows) const;
  DeleteReport deleteRows(const std::vector<LeftoverRow>& rows, bool force,
                          const RootDeleteStep& deleteRootOwned = {}) const;
  // Some row is root-owned and in the home Trash: the caller prepares the administrator prompt.
  bool needsPrivilegedStep(const std::vector<LeftoverRow>& rows) const;
  bool isInHomeTrash(const LeftoverRow& row) const;
  std::vector<std::pair<std::string, RestoreOutcome>> putBack(const std::vector<LeftoverRow>& rows,
                                                             const HistoryOrigins& historyOrigins,
                                                             const ReclaimStep& reclaim = {}) const;

  const Layout& layout() const { return layout_; }

 private:
  static bool inHome(const LeftoverRow& row, const std::vector<TrashLocator::Root>& roots);

  Layout layout_;
  Collaborators collaborators_;
};

// A ready-made privileged step: removes the given root-owned items of the layout's home Trash with one
// administrator command and reports, for each path, whether it is gone afterwards. Paths that do not lie
// directly inside the home Trash (after resolving links) are never passed to the command.
AppTrashMutator::RootDeleteStep privilegedRootDeletion(PrivilegedShellRunner runner, Layout layout);

}  // namespace corvane
