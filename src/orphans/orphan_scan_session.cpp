#include "corvane/orphans/orphan_scan_session.h"

#include <algorithm>

#include "corvane/analysis/finding_ids.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/discovery/installed_app_catalog.h"
#include "corvane/history/history_store.h"
#include "corvane/orphans/suppressed_background_items.h"
#include "platform/unicode.h"

namespace corvane {

namespace {

// The identities of the apps known to be gone: every app the history removed, then every app the catalog
// remembers that is not installed and not already among them.
std::vector<AppIdentity> removedIdentities(const Layout& layout, const std::vector<CatalogedApp>& catalog,
                                           const std::vector<InstalledApplication>& installed) {
  std::vector<AppIdentity> removed;
  std::set<std::string> known;
  HistoryStore history(HistoryFileManager::system(), layout);
  for (const auto& record : history.records()) {
    removed.push_back(record.identity);
    if (record.identity.bundleIdentifier) known.insert(platform::lowercased(*record.identity.bundleIdentifier));
  }
  for (const auto& app : InstalledAppCatalog::removed(catalog, installed))
    if (known.insert(platform::lowercased(app.bundleIdentifier)).second) removed.push_back(app.identity());
  return removed;
}

}  // namespace

OrphanScanSession::OrphanScanSession(Layout layout, Options options)
    : layout_(std::move(layout)), options_(std::move(options)) {}

std::vector<InstalledApplication> OrphanScanSession::listApps(const Layout& layout) {
  std::vector<InstalledApplication> apps = AppDiscoveryService(layout).discover();
  (void)InstalledAppCatalog(layout).record(apps, date::now());
  return apps;
}

OrphanScanResult OrphanScanSession::scan() const {
  std::vector<OrphanGroup> groups;
  OrphanScanResult result = scan([&groups](OrphanGroup&& group) { groups.push_back(std::move(group)); });
  result.groups = std::move(groups);
  return result;
}

OrphanScanResult OrphanScanSession::scan(const OrphanScanner::GroupSink& sink) const {
  std::vector<InstalledApplication> apps = AppDiscoveryService(layout_).discover();
  auto recorded = InstalledAppCatalog(layout_).record(apps, date::now());
  const std::vector<CatalogedApp> catalog =
      recorded.has_value() ? std::move(recorded).value() : InstalledAppCatalog(layout_).load();
  OrphanScanner::Collaborators machine;
  machine.progress = options_.progress;
  machine.runningApplications = options_.runningApplications;
  const OrphanScanner scanner(layout_, std::move(machine));
  return scanner.scan(apps, removedIdentities(layout_, catalog, apps), SuppressedBackgroundItems(layout_).labels(),
                      [&](OrphanGroup&& group) {
                        FindingIDs::assign(group, layout_);
                        sink(std::move(group));
                      });
}

}  // namespace corvane
