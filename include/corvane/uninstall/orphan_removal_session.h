#pragma once
// Removing leftovers of apps that are gone, the way an uninstall removes an app's: the caller shows the
// orphan groups of a scan, the user picks groups or single items, and two calls do the rest:
//
//     OrphanRemovalSession session(layout, UninstallCollaborators::system(layout, runner), history);
//     OrphanRemovalPlan plan = session.prepare(scan.groups, selection);   // picks the findings; only reads
//     if (plan.kind == OrphanRemovalPlan::Kind::ready && userConfirms(plan.selected))
//       OrphanRemovalResult result = session.perform(plan);              // moves, records one history entry
//
// The moves take the uninstall's own path: items that changed since the scan are refused, the rest move to
// the Trash in a safe order, an application bundle only an administrator may move goes to the privileged
// runner. The whole removal is one UninstallRecord in the history, so a restore puts everything back.
//
// What a group offers: its Probably Leftover findings, and its Review findings too when the selection says
// `all`. A finding named by its id is taken whatever its tier, unless it is In Use or cannot be moved (a
// system extension, a background-item registration, a protected location): those are never taken.

#include <optional>
#include <string>
#include <vector>

#include "corvane/history/history_store.h"
#include "corvane/model/removal_records.h"
#include "corvane/uninstall/uninstall_session.h"

namespace corvane {

struct OrphanSelection {
  enum class Tier { probable, all };
  Tier tier = Tier::probable;       // what a named group gives
  std::vector<std::string> groups;  // group keys (suspected bundle identifiers, as the scan gives them)
  std::vector<Uuid> ids;            // single findings
};

struct OrphanRemovalPlan {
  enum class Kind {
    ready,            // `selected` holds at least one finding
    nothingSelected,  // the named groups offer nothing at the selection's tier
    unknownName,      // `refused` names no group and no finding of the scan
    notSelectable,    // `refused` is the id of a finding that is In Use or cannot be moved
  };

  Kind kind = Kind::nothingSelected;
  std::vector<FileFinding> selected;  // group by group in the named order, each group's findings in its order
  std::vector<std::string> groupKeys; // the groups the selected findings belong to, in that order
  AnalysisSnapshot before;            // what the history keeps: the selected findings under one identity
  std::optional<std::string> refused;
};

struct OrphanRemovalResult {
  enum class Kind { recorded, notRecorded, nothingSelected };  // as UninstallResult::Kind
  Kind kind = Kind::nothingSelected;
  UninstallRecord record;
  std::optional<Error> historyError;

  bool allMoved() const { return record.succeededCount() == static_cast<int>(record.operations.size()); }
};

class OrphanRemovalSession {
 public:
  // The name the history shows for a removal that spans several groups.
  static constexpr const char* kSeveralGroupsName = "Leftovers of removed apps";

  // The scan's groups, and for each of `keys` that names an app the installed-apps catalog remembers and
  // that is gone, that app's own leftovers as its analysis finds them; every finding carries its stable id.
  static std::vector<OrphanGroup> candidateGroups(const Layout& layout, const std::vector<std::string>& keys);

  // What `names` pick among `groups`: a name is a finding's id, whole or in its short form, or else a
  // group's key.
  static OrphanSelection selection(const std::vector<OrphanGroup>& groups, const std::vector<std::string>& names,
                                   OrphanSelection::Tier tier);

  // The plan's findings whose move succeeded in `record`.
  static std::vector<const FileFinding*> moved(const OrphanRemovalPlan& plan, const UninstallRecord& record);

  // `history` must outlive the session. `launchctl` is never run: orphans have no services to pause.
  OrphanRemovalSession(Layout layout, UninstallCollaborators collaborators, HistoryStore& history);

  // Picks the findings `selection` names among `groups`. Only reads.
  OrphanRemovalPlan prepare(const std::vector<OrphanGroup>& groups, const OrphanSelection& selection) const;

  // Moves the plan's findings to the Trash and appends one record to the history.
  OrphanRemovalResult perform(const OrphanRemovalPlan& plan) const;

 private:
  Layout layout_;
  UninstallCollaborators collaborators_;
  HistoryStore& history_;
};

}  // namespace corvane
