#pragma once
// Putting back what a recorded uninstall moved to the Trash, as the app and the command-line tool both run
// it:
//
//     RestoreSession session(layout, RestoreCollaborators::system(layout), history, facts);
//     RestoreSessionPlan plan = session.plan(recordID);       // what is still in the Trash, and where it goes
//     if (plan.kind == RestoreSessionPlan::Kind::ready && userConfirms(plan))
//       RestoreSessionResult result = session.perform(plan);  // puts back, turns services on, notes it
//
// `plan` only reads: the record, which of its items are still the very items in the Trash, where each
// goes back to (the Trash folder's own Put Back record first, the history's word where there is none), and
// the launch items the uninstall paused. `perform` puts each item back (every check is made again right
// before it moves), turns the paused launch agents whose definitions and programs are back on again, and
// notes the restore beside the history. Every outcome is a value; nothing is thrown.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvane/base/date.h"
#include "corvane/base/result.h"
#include "corvane/discovery/command_runner.h"
#include "corvane/history/background_service_restorer.h"
#include "corvane/history/history_facts.h"
#include "corvane/history/history_store.h"
#include "corvane/history/put_back.h"
#include "corvane/history/restore.h"
#include "corvane/model/layout.h"
#include "corvane/model/removal_records.h"
#include "corvane/removal/background_service_controller.h"
#include "corvane/removal/trash_locator.h"

namespace corvane {

struct RestoreCollaborators {
  // Runs launchctl for the services turned on again.
  CommandRunning commandRunner;
  // The current time: the restore's note.
  std::function<Date()> clock;
  // What the restore of each item works with; its `notice` hears what a restore saw and left alone.
  RestoreExecutor::Collaborators restoring;
  // The Put Back table of one Trash folder.
  std::function<PutBackTable(const std::string& trashRoot, const std::string& volumeRoot)> loadPutBack;
  // The layout's Trash folders.
  std::function<std::vector<TrashLocator::Root>()> trashRoots;

  // This machine for `layout`, with launchctl at `launchctl`.
  static RestoreCollaborators system(const Layout& layout, const std::string& launchctl = std::string(kLaunchctlPath));
};

// One item the uninstall moved that is still in the Trash.
struct RestoreItem {
  std::string trashPath;
  std::string name;          // as the Trash shows it
  std::string originalPath;  // as the history recorded it
  // Where it goes back to; none when no trusted place is known (it is then refused, destinationUntrusted).
  std::optional<PutBackInfo> putBack;

  bool operator==(const RestoreItem&) const = default;
};

struct RestoreSessionPlan {
  enum class Kind {
    ready,           // `items` holds at least one item
    noRecord,        // the history holds no uninstall with the id given (`recordID`)
    nothingInTrash,  // the record is found, but none of the items it moved is in the Trash any more
  };

  Kind kind = Kind::noRecord;
  std::string recordID;  // as given
  UninstallRecord record;
  std::vector<RestoreItem> items;  // in the record's order
  std::size_t movedCount = 0;      // how many items the uninstall moved to the Trash
  // The launch items the uninstall paused: they are turned on again when their definitions and programs
  // are back.
  std::vector<std::string> pausedServices;

  // How many moved items are no longer in the Trash.
  std::size_t notInTrash() const { return movedCount - items.size(); }
};

struct RestoreItemResult {
  std::string trashPath;
  std::string name;
  RestoreOutcome outcome;

  bool operator==(const RestoreItemResult&) const = default;
};

struct RestoreSessionResult {
  enum class Kind {
    noted,     // the items were handled (each with its outcome) and the restore is noted beside the history
    notNoted,  // the same, but the note could not be written (`noteError` says why)
    notReady,  // the plan was not ready: nothing was done
  };

  Kind kind = Kind::notReady;
  std::vector<RestoreItemResult> items;
  std::vector<BackgroundServiceRestoreOutcome> services;
  std::string summary;  // the batch's sentence
  std::size_t notInTrash = 0;
  RestoreNote note;
  std::optional<Error> noteError;

  // Every planned item is back, and none was missing from the Trash.
  bool allBack() const;
};

class RestoreSession {
 public:
  // `history` and `facts` must outlive the session.
  RestoreSession(Layout layout, RestoreCollaborators collaborators, const HistoryStore& history, HistoryFacts& facts);

  RestoreSessionPlan plan(const std::string& recordID) const;
  RestoreSessionResult perform(const RestoreSessionPlan& plan) const;

 private:
  Layout layout_;
  RestoreCollaborators collaborators_;
  const HistoryStore& history_;
  HistoryFacts& facts_;
};

}  // namespace corvane
