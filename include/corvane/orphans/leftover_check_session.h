#pragma once
// One run of the weekly look for new leftovers of removed apps, as the scheduled launch and the
// command-line tool both make it. `plan` says, from the state file, whether a check is due (it only reads).
// `perform`, under the check's lock, reads the state again, scans when a check is due or wanted anyway,
// compares with what was reported before, gives the notification to post (none when nothing is new) and
// remembers what it reported. An incomplete scan would report the apps it could not see as leftovers, so
// then nothing is reported or remembered.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "corvane/base/date.h"
#include "corvane/base/result.h"
#include "corvane/model/layout.h"
#include "corvane/orphans/leftover_check.h"
#include "corvane/orphans/orphan_scanner.h"

namespace corvane {

struct LeftoverCheckCollaborators {
  // The orphan scan, with the removed apps' identities and the labels the user turned off.
  std::function<OrphanScanResult()> scan;
  std::function<Date()> clock;
};

struct LeftoverCheckPlan {
  bool due = true;
  // Only a due check is wanted (the scheduled run); otherwise `perform` scans in any case.
  bool onlyIfDue = false;
  std::optional<PreciseDate> lastCheckedAt;
};

struct LeftoverCheckResult {
  enum class Kind {
    checked,         // scanned; `notification` is set when something is new
    notDue,          // only a due check was wanted, and none was due: nothing was scanned or written
    busy,            // another check holds the lock: nothing was done
    incompleteScan,  // some application folders could not be read: nothing is reported or remembered
    notSaved,        // scanned, but the state could not be written (`saveError`)
  };

  Kind kind = Kind::busy;
  bool due = false;
  LeftoverCheckOutcome outcome;
  std::optional<LeftoverCheckNotificationText> notification;
  std::vector<std::string> unreadableApplicationFolders;  // for incompleteScan
  std::optional<Error> saveError;
};

class LeftoverCheckSession {
 public:
  // How often `reset` tries for the lock, and how long it waits between tries.
  static constexpr int kResetAttempts = 5;
  static constexpr unsigned kResetPauseMicroseconds = 100000;

  LeftoverCheckSession(LeftoverCheckStore store, LeftoverCheckCollaborators collaborators);

  LeftoverCheckPlan plan(bool onlyIfDue) const;
  LeftoverCheckResult perform(const LeftoverCheckPlan& plan) const;
  // Forgets what earlier checks reported, so that everything found next is new; false when the lock was
  // never had or the state could not be written.
  bool reset() const;

  const LeftoverCheckStore& store() const { return store_; }

 private:
  LeftoverCheckStore store_;
  LeftoverCheckCollaborators collaborators_;
};

}  // namespace corvane
