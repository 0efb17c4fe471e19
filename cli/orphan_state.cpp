#include "cli/orphan_state.h"

#include <algorithm>
#include <ostream>

#include "corvane/analysis/finding_ids.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/discovery/installed_app_catalog.h"
#include "corvane/history/history_store.h"
#include "corvane/orphans/suppressed_background_items.h"
#include "platform/unicode.h"

namespace corvane::cli {

std::vector<InstalledApplication> listApps(const Layout& layout) {
  std::vector<InstalledApplication> apps = AppDiscoveryService(layout).discover();
  (void)InstalledAppCatalog(layout).record(apps, date::now());
  return apps;
}

OrphanScanResult scanOrphans(const Layout& layout, std::function<void(std::uint64_t)> progress) {
  const std::vector<InstalledApplication> apps = listApps(layout);
  std::vector<AppIdentity> removed;
  HistoryStore history(HistoryFileManager::system(), layout);
  for (const auto& record : history.records()) removed.push_back(record.identity);
  for (const auto& app : InstalledAppCatalog::removed(InstalledAppCatalog(layout).load(), apps)) {
    const bool known = std::any_of(removed.begin(), removed.end(), [&](const AppIdentity& r) {
      return r.bundleIdentifier && platform::lowercased(*r.bundleIdentifier) == platform::lowercased(app.bundleIdentifier);
    });
    if (!known) removed.push_back(app.identity());
  }
  OrphanScanner::Collaborators machine;
  machine.progress = std::move(progress);
  OrphanScanResult result = OrphanScanner(layout, std::move(machine)).scan(apps, removed, SuppressedBackgroundItems(layout).labels());
  for (auto& group : result.groups)
    FindingIDs::assign(group, layout);
  return result;
}

bool reportIncompleteScan(const std::vector<std::string>& unreadable, Context& context, const std::string& command,
                          const std::string& consequence) {
  if (unreadable.empty()) return false;
  std::string folders;
  for (const auto& folder : unreadable) folders += (folders.empty() ? "" : ", ") + folder;
  context.err << "corvane " << command << ": the scan is incomplete: " << folders
              << " could not be read, so no leftover can be told apart from an installed app's data; " << consequence
              << ".\n";
  return true;
}

bool applyScope(const ParsedArguments& args, Context& context, const std::string& command) {
  auto given = args.value("--scope");
  if (!given) return true;
  auto scope = Uuid::parse(*given);
  if (!scope) {
    context.err << "corvane " << command << ": --scope needs a scope identifier such as "
                   "0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9, not \"" << *given << "\"\n";
    return false;
  }
  context.layout.loginScope = *scope;
  return true;
}

json::Json encodeStoreStatus(const BackgroundItemStoreStatus& status) {
  using S = BackgroundItemStoreStatus;
  json::Json j = json::Json::object();
  j["kind"] = std::string(caseName(status.kind()));
  if (const auto* p = status.as<S::Parsed>()) {
    j["version"] = p->version;
    j["filesParsed"] = p->filesParsed;
  } else if (const auto* d = status.as<S::Degraded>()) {
    j["version"] = d->version;
    j["filesParsed"] = d->filesParsed;
    j["filesSkipped"] = d->filesSkipped;
    j["truncated"] = d->truncated;
  } else if (const auto* u = status.as<S::UnreadableShape>()) {
    j["version"] = u->version;
    j["files"] = u->files;
  }
  return j;
}

}  // namespace corvane::cli
