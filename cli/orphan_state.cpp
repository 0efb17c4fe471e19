#include "cli/orphan_state.h"

#include <algorithm>
#include <ostream>

#include "corvane/analysis/finding_ids.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/discovery/installed_app_catalog.h"
#include "corvane/history/history_store.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/unicode.h"

namespace corvane::cli {

namespace {
constexpr std::size_t kMaxSuppressedFileBytes = 4u * 1024 * 1024;
}

std::string suppressedLabelsFile(const Layout& layout) {
  return layout.applicationSupport() + "/suppressed-background-items.json";
}

std::set<std::string> suppressedLabels(const Layout& layout) {
  std::set<std::string> labels;
  auto bytes = platform::readFileBytes(suppressedLabelsFile(layout), kMaxSuppressedFileBytes);
  if (!bytes.has_value()) return labels;
  auto parsed = json::parse(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  if (!parsed.has_value() || !parsed->is_array()) return labels;
  for (const auto& entry : *parsed)
    if (entry.is_string()) labels.insert(entry.get<std::string>());
  return labels;
}

bool rememberSuppressedLabel(const Layout& layout, const std::string& label) {
  std::set<std::string> labels = suppressedLabels(layout);
  labels.insert(label);
  (void)platform::createDirectories(layout.applicationSupport());
  return platform::writeFileAtomically(suppressedLabelsFile(layout), json::Json(labels).dump() + "\n").has_value();
}

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
  OrphanScanResult result = OrphanScanner(layout, std::move(machine)).scan(apps, removed, suppressedLabels(layout));
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
  using Kind = BackgroundItemStoreStatus::Kind;
  json::Json j = json::Json::object();
  j["kind"] = std::string(caseName(status.kind));
  if (status.kind == Kind::parsed || status.kind == Kind::degraded || status.kind == Kind::unreadableShape)
    j["version"] = status.version;
  if (status.kind == Kind::parsed || status.kind == Kind::degraded) j["filesParsed"] = status.filesParsed;
  if (status.kind == Kind::degraded) {
    j["filesSkipped"] = status.filesSkipped;
    j["truncated"] = status.truncated;
  }
  if (status.kind == Kind::unreadableShape) j["files"] = status.files;
  return j;
}

}  // namespace corvane::cli
