#pragma once
// One uninstall from the application's location to the record in the history, as the app and the
// command-line tool both run it. The caller makes two calls and shows what it likes in between:
//
//     UninstallSession session(layout, UninstallCollaborators::system(layout, runner), history);
//     UninstallPlan plan = session.prepare(appURL, selection);    // finds and analyses the app, selects
//     if (plan.kind == UninstallPlan::Kind::ready && userConfirms(plan.selected))
//       UninstallResult result = session.perform(plan);           // pauses, moves, analyses again, records
//
// `prepare` only reads. `perform` first reserves the history (its writers' lock, held until the record is
// written; when another process holds it too long nothing is done), then pauses the application's background services when the application
// itself is moved, moves the selected items to the Trash (root-owned application bundles through the
// privileged runner, when there is one), analyses the application again, builds the UninstallRecord and
// appends it to the history. Every outcome is a value whose `kind` says which fields hold it; nothing
// is thrown. Actions that change the Trash or put items back follow the same shape: collaborators
// through the constructor, a read-only plan, then a perform that returns a tagged result.
//
// A session is used from one thread at a time, like the history store it writes to.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/removal/background_service_controller.h"
#include "corvane/discovery/command_runner.h"
#include "corvane/base/date.h"
#include "corvane/removal/elevated_trash_mover.h"
#include "corvane/analysis/file_access_checks.h"
#include "corvane/model/file_finding.h"
#include "corvane/history/history_store.h"
#include "corvane/model/layout.h"
#include "corvane/removal/privileged_shell_running.h"
#include "corvane/model/removal_records.h"
#include "corvane/base/result.h"
#include "corvane/removal/trash_moving.h"
#include "corvane/removal/trash_service.h"
#include "corvane/base/url.h"
#include "corvane/base/uuid.h"

namespace corvane {

// Which findings of the analysis to move.
struct UninstallSelection {
  enum class Tier {
    safe,      // the findings graded Safe to Remove
    probable,  // those and the ones graded Probably Leftover
    all,       // every finding that can be chosen
    chosen,    // exactly the findings named in `ids`, in that order
  };

  Tier tier = Tier::safe;
  std::vector<Uuid> ids;         // for `chosen`; a repeated id counts once
  bool keepApplication = false;  // leaves the application bundle itself in place
  // For `chosen`, after `ids`: ids as people type them, whole or in their short form, in any case
  // (FindingIDs::find), looked up among the analysis's findings.
  std::vector<std::string> idTexts;
};

// How the session differs from its defaults.
struct UninstallOptions {
  // The launchctl that pauses the application's background services.
  std::string launchctl = std::string(kLaunchctlPath);
  // Called on every snapshot the session makes, before it is used, to give its findings the ids the
  // caller selects by (FindingIDs::assign gives the ids that stay the same from run to run). Empty: the
  // analysis's own ids.
  std::function<void(AnalysisSnapshot&)> assignFindingIDs;
  // The analysis's own rules only, without the extended matching and the system's ownership of its names.
  bool baseRulesOnly = false;
};

// What the session works with. `system` gives this machine's; a field left empty is filled with this
// machine's when the session is made (so a caller may set only the privileged runner), and tests
// replace any of them.
struct UninstallCollaborators {
  // Runs launchctl.
  CommandRunning commandRunner;
  // The ordinary move to the Trash, and what is tried when it refuses an item: a plain rename into the
  // layout's Trash folder that never replaces anything.
  TrashMoving trashMover;
  TrashService::Relocate relocate;
  // The administrator's shell for root-owned application bundles. Without one, such a bundle cannot be
  // chosen and is never offered to an administrator.
  PrivilegedShellRunner privilegedRunner;
  // The current time: the analyses' and the record's dates.
  std::function<Date()> clock;
  // Who may write where: says which findings need an administrator and why a move failed.
  FileAccessChecks fileAccess;
  // The facts the elevated path checks before it asks for administrator rights.
  ElevatedTrashMover::CandidateProvider elevationCandidate;

  // This machine for `layout`: the real command runner, the move to Trash for the layout with an
  // exclusive rename behind it, the system clock, this process's access checks and
  // ElevationGuard::candidate.
  static UninstallCollaborators system(const Layout& layout, PrivilegedShellRunner privilegedRunner = {});
};

// The first call's answer: the application, its analysis and the findings selected, or why there is
// nothing to do.
struct UninstallPlan {
  enum class Kind {
    ready,            // `selected` holds at least one finding
    nothingSelected,  // the analysis found nothing the selection asks for (`selected` is empty)
    noApplication,    // there is no application bundle at `appURL`; only `appURL` is set
    notSelectable,    // `refusedID` names no finding that can be chosen; nothing is selected
  };

  Kind kind = Kind::noApplication;
  Url appURL;                                   // standardised
  InstalledApplication application;             // as discovery knows it
  std::vector<InstalledApplication> installed;  // every installed application, the analysis's peers
  AnalysisSnapshot before;                      // the analysis before anything moves
  std::vector<FileFinding> selected;            // in the analysis's order (for `chosen`, the ids' order)
  std::optional<Uuid> refusedID;                // for notSelectable, when the id named a finding
  std::string refused;                          // for notSelectable: the id as given
};

// The second call's answer.
struct UninstallResult {
  enum class Kind {
    recorded,         // the items were handed to the Trash and the record is in the history
    notRecorded,      // the items were handed to the Trash, but the record could not be written:
                      // `record` still lists every item, `historyError` says why
    nothingSelected,  // the plan was not ready: nothing was moved, nothing was written
    historyUnavailable,  // the history could not be reserved for the record (`historyError` says why), so
                         // nothing was moved: no item goes to the Trash without a record to restore it by
  };

  Kind kind = Kind::nothingSelected;
  // Every item's outcome (some may have failed), the paused services, the analyses before and after.
  UninstallRecord record;
  // For notRecorded and historyUnavailable: why the history file could not be written.
  std::optional<Error> historyError;

  // Whether every selected item reached the Trash.
  bool allMoved() const { return record.succeededCount() == static_cast<int>(record.operations.size()); }
};

class AppAnalyzer;

class UninstallSession {
 public:
  // `history` must outlive the session.
  UninstallSession(Layout layout, UninstallCollaborators collaborators, HistoryStore& history,
                   UninstallOptions options = {});

  // Finds the application at `appURL`, analyses it against every installed application and picks the
  // findings `selection` asks for. A finding can be chosen when it is selectable; with a privileged
  // runner, so can the application bundle that only an administrator may move. Only reads.
  UninstallPlan prepare(const Url& appURL, const UninstallSelection& selection) const;

  // Moves the plan's selected findings and records the uninstall. Items that changed since the analysis
  // are refused; the rest move in a safe order, the application last; an application bundle the ordinary
  // move refused for want of an administrator goes to the privileged runner, one prompt for the batch.
  UninstallResult perform(const UninstallPlan& plan) const;

  const Layout& layout() const { return layout_; }

 private:
  AppAnalyzer analyzer() const;
  AnalysisSnapshot analyzeAgain(const UninstallPlan& plan) const;

  Layout layout_;
  UninstallCollaborators collaborators_;
  HistoryStore& history_;
  UninstallOptions options_;
};

}  // namespace corvane
