#include "corvane/orphans/app_departure_watcher.h"

#include <algorithm>
#include <set>

#include "corvane/base/date.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/orphans/removed_app_leftovers.h"
#include "corvane/removal/trash_locator.h"
#include "corvane/platform/file_system.h"
#include "platform/fs_ops.h"
#include "platform/folder_events.h"
#include "platform/unicode.h"

namespace corvane {

namespace {

std::string parentOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool isFolder(const std::string& path) {
  bool isDirectory = false;
  return platform::fileExists(path, &isDirectory) && isDirectory;
}

}  // namespace

struct AppDepartureWatcher::Events : platform::FolderEvents {
  explicit Events(platform::FolderEvents events) : platform::FolderEvents(std::move(events)) {}
};

Result<AppDepartureWatcher> AppDepartureWatcher::start(Layout layout, Options options, Collaborators collaborators) {
  auto events = platform::FolderEvents::open();
  if (!events.has_value()) return events.error();
  if (!collaborators.listApps) {
    collaborators.listApps = [layout] {
      std::vector<InstalledApplication> apps = AppDiscoveryService(layout).discover();
      (void)InstalledAppCatalog(layout).record(apps, date::now());
      return apps;
    };
  }
  if (!collaborators.analyze) {
    collaborators.analyze = [layout](const CatalogedApp& app, const std::vector<InstalledApplication>& installed) {
      const auto gone = InstalledAppCatalog::removed(InstalledAppCatalog(layout).load(), installed);
      return RemovedAppLeftovers::analyze(layout, app, installed, gone);
    };
  }
  if (!collaborators.now) collaborators.now = [] { return Clock::now(); };
  AppDepartureWatcher watcher(std::move(layout), options, std::move(collaborators),
                              std::make_unique<Events>(std::move(events).value()));
  watcher.refresh();
  return Result<AppDepartureWatcher>(std::move(watcher));
}

AppDepartureWatcher::AppDepartureWatcher(Layout layout, Options options, Collaborators collaborators,
                                         std::unique_ptr<Events> events)
    : layout_(std::move(layout)),
      options_(options),
      collaborators_(std::move(collaborators)),
      events_(std::move(events)) {}

AppDepartureWatcher::AppDepartureWatcher(AppDepartureWatcher&&) noexcept = default;
AppDepartureWatcher& AppDepartureWatcher::operator=(AppDepartureWatcher&&) noexcept = default;
AppDepartureWatcher::~AppDepartureWatcher() = default;

int AppDepartureWatcher::descriptor() const { return events_->descriptor(); }

int AppDepartureWatcher::millisecondsUntilDue() const {
  if (pending_.empty()) return -1;
  auto first = std::min_element(pending_.begin(), pending_.end(),
                                [](const auto& a, const auto& b) { return a.second.due < b.second.due; });
  auto left = std::chrono::ceil<std::chrono::milliseconds>(first->second.due - collaborators_.now()).count();
  return static_cast<int>(std::max<long long>(0, left));
}

std::vector<std::string> AppDepartureWatcher::watchedFolders() const {
  std::vector<std::string> folders;
  for (const auto& [id, path] : watches_) folders.push_back(path);
  std::sort(folders.begin(), folders.end());
  return folders;
}

void AppDepartureWatcher::refresh() {
  apps_ = collaborators_.listApps();
  const std::vector<CatalogedApp> catalog = InstalledAppCatalog(layout_).load();
  std::map<std::string, CatalogedApp> now;
  for (const auto& app : apps_) {
    if (!app.bundleIdentifier) continue;
    const std::string key = platform::lowercased(*app.bundleIdentifier);
    auto known = std::find_if(catalog.begin(), catalog.end(), [&](const CatalogedApp& c) {
      return platform::lowercased(c.bundleIdentifier) == key;
    });
    CatalogedApp entry;
    if (known != catalog.end()) {
      entry = *known;
    } else {  // a catalog that could not be written: what the listing says
      entry.bundleIdentifier = *app.bundleIdentifier;
      entry.name = app.name;
      entry.version = app.version;
      entry.path = layout_.macPath(app.url.path()).value_or(app.url.path());
    }
    now[key] = std::move(entry);
  }
  const Clock::time_point due = collaborators_.now() + options_.settleTime;
  for (const auto& [key, app] : installed_)
    if (!now.count(key) && !pending_.count(key)) pending_[key] = Pending{app, due};
  for (const auto& [key, app] : now) pending_.erase(key);  // installed again: an update, a reinstall, a rename
  installed_ = std::move(now);
  rewatch();
}

void AppDepartureWatcher::rewatch() {
  std::set<std::string> wanted;
  std::vector<std::string> applications = {layout_.applications(), layout_.applications() + "/Utilities",
                                           layout_.underHome("Applications")};
  AppDiscoveryService discovery(layout_);
  for (const auto& root : discovery.externalApplicationRoots(discovery.qualifyingExternalVolumes(discovery.mountedVolumeFacts())))
    applications.push_back(root.path());
  for (const auto& app : apps_)
    if (!app.isSystemApplication) applications.push_back(parentOf(app.url.path()));
  for (const auto& folder : applications)
    if (isFolder(folder)) wanted.insert(folder);
  // A missing /Applications is noticed when it comes (back) through its parent, which rarely changes; the
  // others (the home's, a volume's) are looked for again whenever something else changes.
  if (!isFolder(layout_.applications())) wanted.insert(parentOf(layout_.applications()));
  for (const auto& trash : TrashLocator(layout_).discoverTrashRoots()) wanted.insert(trash);

  for (auto it = watches_.begin(); it != watches_.end();) {
    if (wanted.count(it->second)) {
      wanted.erase(it->second);
      ++it;
    } else {
      events_->unwatch(it->first);
      it = watches_.erase(it);
    }
  }
  for (const auto& folder : wanted) {
    auto id = events_->watch(folder);  // a link or a file in the folder's place is not watched
    if (id.has_value()) watches_[id.value()] = folder;
  }
}

std::optional<std::string> AppDepartureWatcher::locateInTrash(const CatalogedApp& app) const {
  AppDiscoveryService discovery(layout_);
  const std::string name = Url::fileURL(app.path).lastPathComponent();
  std::optional<std::string> found;
  for (const auto& trash : TrashLocator(layout_).discoverTrashRoots()) {
    auto listing = platform::realFileSystem().list(trash, {.skipHidden = true, .sorted = true});
    if (!listing.has_value()) continue;
    for (const auto& entry : listing->entries) {
      if (entry.type != platform::EntryType::directory) continue;
      const std::string path = trash + "/" + entry.name;
      auto id = discovery.makeApplication(Url::fileURL(path)).bundleIdentifier;
      if (!id || platform::lowercased(*id) != platform::lowercased(app.bundleIdentifier)) continue;
      if (entry.name == name) return path;  // under its own name first
      if (!found) found = path;
    }
  }
  return found;
}

std::vector<AppDeparture> AppDepartureWatcher::settled() {
  std::vector<AppDeparture> departures;
  const Clock::time_point now = collaborators_.now();
  bool due = std::any_of(pending_.begin(), pending_.end(), [&](const auto& p) { return p.second.due <= now; });
  if (!due) return departures;
  refresh();  // one last look: a new copy may have finished arriving without a change in a watched folder
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (it->second.due > now) {
      ++it;
      continue;
    }
    AppDeparture d;
    d.app = it->second.app;
    d.bundleNowAt = locateInTrash(d.app);
    d.analysis = collaborators_.analyze(d.app, apps_);
    d.leftovers = RemovedAppLeftovers::group(d.app, d.analysis);
    departures.push_back(std::move(d));
    it = pending_.erase(it);
  }
  return departures;
}

Result<std::vector<AppDeparture>> AppDepartureWatcher::take(int timeoutMilliseconds) {
  auto changes = events_->wait(timeoutMilliseconds);
  if (!changes.has_value()) return changes.error();
  bool changed = false;
  for (const auto& change : changes.value()) {
    if (change.folderGone) watches_.erase(change.watch);
    changed = true;
  }
  if (changed) refresh();
  return settled();
}

Result<std::vector<AppDeparture>> AppDepartureWatcher::collect() { return take(0); }

Result<std::vector<AppDeparture>> AppDepartureWatcher::wait() {
  for (;;) {
    auto departures = take(millisecondsUntilDue());
    if (!departures.has_value() || !departures.value().empty()) return departures;
  }
}

}  // namespace corvane
