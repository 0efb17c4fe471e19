#pragma once
// Noticing the moment an app leaves: the Applications folders of a layout (and its Trash folders) are
// watched for entries coming and going, without polling. When an installed app's bundle identifier is no
// longer among the listed apps, the watcher waits a settle time; if an app with that identifier is
// installed again by then (an update that moved the old copy to the Trash, a reinstall, a rename inside an
// Applications folder) nothing is reported. Otherwise it reports one departure: the app as the installed-apps
// catalog remembers it, where its bundle is now, and its leftovers. It never moves or deletes anything.
//
// The watcher starts no thread and no timer. Either the caller drives it from its own loop:
//
//     poll(watcher.descriptor(), watcher.millisecondsUntilDue())  ->  for (auto& d : watcher.collect()) show(d);
//
// or it blocks in `wait`, which returns as soon as at least one departure is due. One watcher is used from
// one thread at a time.

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvane/base/result.h"
#include "corvane/discovery/installed_app_catalog.h"
#include "corvane/model/layout.h"
#include "corvane/model/removal_records.h"

namespace corvane {

struct AppDeparture {
  CatalogedApp app;                        // what the catalog remembers of the app
  std::optional<std::string> bundleNowAt;  // host path of its bundle in a Trash folder; none: deleted or moved off
  AnalysisSnapshot analysis;               // the gone app's analysis
  OrphanGroup leftovers;                   // its leftovers: the bundle left out, nothing above Probably Leftover
};

struct AppDepartureWatchOptions {
  // How long an app must stay gone before it counts as removed.
  std::chrono::milliseconds settleTime{10000};
};

class AppDepartureWatcher {
 public:
  using Clock = std::chrono::steady_clock;

  using Options = AppDepartureWatchOptions;

  // Each one left empty is the layout's own.
  struct Collaborators {
    // The installed apps; by default the layout's, remembered in its installed-apps catalog.
    std::function<std::vector<InstalledApplication>()> listApps;
    // The analysis of a gone app; by default RemovedAppLeftovers::analyze.
    std::function<AnalysisSnapshot(const CatalogedApp&, const std::vector<InstalledApplication>&)> analyze;
    std::function<Clock::time_point()> now;
  };

  // Lists the apps, remembers them and starts watching. Fails only when the system gives no way to watch.
  static Result<AppDepartureWatcher> start(Layout layout, Options options = {}, Collaborators collaborators = {});

  AppDepartureWatcher(AppDepartureWatcher&&) noexcept;
  AppDepartureWatcher& operator=(AppDepartureWatcher&&) noexcept;
  ~AppDepartureWatcher();

  // Readable when folder changes wait.
  int descriptor() const;
  // How long until the next pending departure settles; -1 when none is pending.
  int millisecondsUntilDue() const;
  // Takes the changes waiting, without blocking, and returns the departures that settled, in identifier order.
  Result<std::vector<AppDeparture>> collect();
  // Blocks until at least one departure settled, then returns every departure due.
  Result<std::vector<AppDeparture>> wait();

  // The folders watched now (host paths, sorted).
  std::vector<std::string> watchedFolders() const;

 private:
  struct Events;  // the system's queue of folder changes
  struct Pending {
    CatalogedApp app;
    Clock::time_point due;
  };

  AppDepartureWatcher(Layout layout, Options options, Collaborators collaborators,
                      std::unique_ptr<Events> events);
  Result<std::vector<AppDeparture>> take(int timeoutMilliseconds);
  void refresh();
  void rewatch();
  std::vector<AppDeparture> settled();
  std::optional<std::string> locateInTrash(const CatalogedApp& app) const;

  Layout layout_;
  Options options_;
  Collaborators collaborators_;
  std::unique_ptr<Events> events_;
  std::map<int, std::string> watches_;             // watch id -> folder
  std::map<std::string, CatalogedApp> installed_;  // lower-cased bundle identifier -> the app as last listed
  std::map<std::string, Pending> pending_;         // the same key -> a departure waiting to settle
  std::vector<InstalledApplication> apps_;         // the last listing
};

}  // namespace corvane
