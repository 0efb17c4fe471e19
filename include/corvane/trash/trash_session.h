#pragma once
// What a user does with the Trash, as the app and the command-line tool both run it: list it, put items
// back, delete a selection for good, or empty it. Each action is two calls with the caller's question in
// between:
//
//     TrashSession session(layout, TrashCollaborators::system(), history);
//     TrashPlan plan = session.plan({TrashAction::deleteSelection, paths});  // scans, selects, plans
//     if (plan.kind == TrashPlan::Kind::ready && userAnswers(plan.confirmation))
//       TrashResult result = session.perform(plan);                           // one outcome per item
//
// `plan` only reads: it lists the Trash folders, checks every path against them (a path outside them
// refuses the whole request, a path leading out of them through a link is refused by itself), plans the
// deletion and says which confirmation the user owes. `perform` changes only what the plan admitted and
// gives every item asked for an outcome, the refused ones included. Nothing is thrown.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "corvane/history/history_store.h"
#include "corvane/history/put_back.h"
#include "corvane/history/restore.h"
#include "corvane/model/layout.h"
#include "corvane/trash/delete_plan.h"
#include "corvane/trash/leftover_arranger.h"
#include "corvane/trash/leftover_row.h"
#include "corvane/trash/trash_scanner.h"

namespace corvane {

enum class TrashAction { putBack, deleteSelection, empty };

struct TrashRequest {
  TrashAction action = TrashAction::deleteSelection;
  std::vector<std::string> paths;  // absolute; none for empty (every item of every Trash folder)
  bool force = false;              // delete and empty: locked items too, their lock cleared first
  bool dryRun = false;             // delete and empty: nothing is removed, the outcomes say what would be
};

// What the user must answer before `perform`: nothing, a yes or no, or the typed phrase (a selection of
// over 100 items or 1 GB; emptying the Trash never asks for it).
enum class TrashConfirmation { none, yesNo, typedPhrase };

// How the listing is ordered and filtered.
struct TrashQuery {
  std::optional<LeftoverSortKey> key;               // none: size
  bool byLane = false;                              // lanes in their order, the largest first within each
  std::optional<LeftoverSortDirection> direction;   // none: the key's own (lanes: Safe to purge first)
  std::string search;                               // in the name or the original folder, any case
  std::optional<TriageLane> lane;                   // only this lane
};

struct TrashListing {
  bool readable = false;  // false: the home Trash cannot be read, `rows` is empty
  std::vector<LeftoverRow> rows;

  bool operator==(const TrashListing&) const = default;
};

struct TrashPlan {
  enum class Kind {
    ready,       // perform acts on `rows` (possibly none) and reports the rest
    unreadable,  // the home Trash cannot be read: nothing is planned
    givenTwice,  // `refused` is given more than once: nothing is planned
    notInTrash,  // `refused` lies outside every Trash folder: nothing is planned
  };

  Kind kind = Kind::unreadable;
  TrashRequest request;
  std::string refused;
  std::vector<std::string> roots;     // the Trash folders the paths were checked against
  HistoryOrigins origins;             // the uninstall history's word on where items came from
  std::vector<LeftoverRow> rows;      // the items acted on, in the order given (put back: the Trash's own)
  std::vector<std::string> missing;   // inside a Trash folder but holding nothing (any more)
  std::vector<std::string> unsafe;    // leading out of the Trash through a link in it: left alone
  std::vector<std::string> unrecorded;  // put back: inside a folder of the Trash, with no record of its origin
  DeletePlan deletion;                // delete and empty: one planned item per row
  ConfirmationRequest counts;         // delete and empty: what is admitted, and whether a phrase is needed
  TrashConfirmation confirmation = TrashConfirmation::none;

  // The phrase a typedPhrase confirmation wants.
  std::string phrase() const { return counts.phrase.value_or(ConfirmationPolicy::kPhrase); }
};

// One item put back, or refused.
struct PutBackItem {
  std::string trashPath;
  std::string name;  // as the Trash shows it
  RestoreOutcome outcome;

  bool operator==(const PutBackItem&) const = default;
};

struct TrashResult {
  TrashAction action = TrashAction::deleteSelection;
  // Delete and empty: one outcome per planned item in the plan's order (what it skipped as unsafe), then
  // the unsafe paths, then the missing ones.
  DeleteReport deletion;
  // Put back: the rows, then the unrecorded, unsafe and missing paths.
  std::vector<PutBackItem> putBack;
  std::string summary;                // put back: the batch in one sentence
  std::vector<std::string> notices;   // put back: what the restore saw and left alone, in order

  // Everything asked for was done.
  bool succeeded() const;
};

// What the session works with; `system` gives this machine's.
struct TrashCollaborators {
  // Lists and measures one Trash folder; empty: the real listing.
  std::function<TrashScanner::TrashScanResult(const std::string& trashFolder)> scanFolder;
  std::function<Date()> clock;
  // The tool runs as the administrator: root-owned items are removed and put back without asking for rights.
  bool administrator = false;

  static TrashCollaborators system();
};

class TrashSession {
 public:
  // `history` must outlive the session.
  TrashSession(Layout layout, TrashCollaborators collaborators, const HistoryStore& history);

  TrashListing list(const TrashQuery& query) const;
  TrashPlan plan(const TrashRequest& request) const;
  TrashResult perform(const TrashPlan& plan) const;

  // Trash name -> where the uninstall history says the item came from; the newest uninstall wins.
  static HistoryOrigins historyOrigins(const std::vector<UninstallRecord>& newestFirst);
  // An item's name in the Trash: the path's last component.
  static std::string trashName(const std::string& path);

 private:
  std::optional<std::vector<LeftoverRow>> scan(const HistoryOrigins& origins) const;
  void select(TrashPlan& plan, const std::vector<LeftoverRow>& listed) const;
  void planDeletion(TrashPlan& plan) const;
  TrashResult performPutBack(const TrashPlan& plan) const;
  TrashResult performDeletion(const TrashPlan& plan) const;

  Layout layout_;
  TrashCollaborators collaborators_;
  const HistoryStore& history_;
};

}  // namespace corvane
