// The public orphan scan: the facts of the Mac a layout describes (its home Library folders, the running
// and installed applications with the bundles embedded in them, the installer receipts, the staged system
// extensions and the background-items database), handed to the inner scan.

#include "corvane/orphans/orphan_scanner.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "corvane/discovery/app_discovery_service.h"
#include "corvane/discovery/native_receipt_tools.h"
#include "discovery/bundle_reader.h"
#include "orphans/orphan_sources.h"
#include "corvane/platform/file_system.h"
#include "platform/unicode.h"

namespace corvane {

namespace {

// Embedded bundles are looked for at most this many levels below an application.
constexpr int kMaxEmbeddingDepth = 4;

// Where an ordinary bundle keeps the bundles embedded in it.
constexpr std::array<std::string_view, 7> kEmbeddedBundleFolders = {
    "Contents",         "Contents/XPCServices", "Contents/PlugIns", "Contents/Frameworks",
    "Contents/Library/LaunchServices", "Contents/Library/SystemExtensions", "Contents/Library/LoginItems"};
// The same inside each version of a framework.
constexpr std::array<std::string_view, 3> kFrameworkVersionFolders = {"XPCServices", "PlugIns", "Library/LaunchServices"};
// Bundle extensions whose identifiers count as installed.
constexpr std::array<std::string_view, 6> kEmbeddedPackageExtensions = {"app", "appex", "xpc", "bundle", "plugin", "framework"};

// The Library folders whose entries are named after the application that made them.
struct RootSpec {
  std::string_view folder;
  FindingKind kind;
};
constexpr std::array<RootSpec, 8> kLibraryRoots = {{{"Caches", FindingKind::cache},
                                                    {"Preferences", FindingKind::preference},
                                                    {"Containers", FindingKind::container},
                                                    {"Saved Application State", FindingKind::savedState},
                                                    {"HTTPStorages", FindingKind::webData},
                                                    {"WebKit", FindingKind::webData},
                                                    {"Logs", FindingKind::log},
                                                    {"LaunchAgents", FindingKind::launchAgent}}};
// Crash and diagnostic reports, named after the process rather than an identifier.
constexpr std::array<RootSpec, 2> kDiagnosticRoots = {
    {{"Logs/DiagnosticReports", FindingKind::log}, {"Application Support/CrashReporter", FindingKind::log}}};

std::string lowerExtension(const std::string& name) {
  auto dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : platform::lowercased(std::string_view(name).substr(dot + 1));
}

// The visible entries of a folder that may be bundles (plain files never are).
std::vector<std::string> bundleCandidates(const std::string& folder) {
  std::vector<std::string> names;
  auto listing = platform::realFileSystem().list(folder, {.skipHidden = true});
  if (!listing.has_value()) return names;
  for (auto& entry : listing->entries)
    if (entry.type != platform::EntryType::file) names.push_back(std::move(entry.name));
  return names;
}

void collectEmbeddedIdentifiers(const std::string& bundle, int depth, std::set<std::string>& into) {
  if (depth > kMaxEmbeddingDepth) return;
  std::vector<std::string> folders;
  if (lowerExtension(Url::fileURL(bundle).lastPathComponent()) == "framework") {
    for (const auto& version : bundleCandidates(bundle + "/Versions")) {
      if (version == "Current") continue;
      for (auto sub : kFrameworkVersionFolders) folders.push_back(bundle + "/Versions/" + version + "/" + std::string(sub));
    }
  } else {
    folders.push_back(bundle);
    for (auto sub : kEmbeddedBundleFolders) folders.push_back(bundle + "/" + std::string(sub));
  }
  for (const auto& folder : folders) {
    for (const auto& name : bundleCandidates(folder)) {
      const std::string extension = lowerExtension(name);
      if (std::find(kEmbeddedPackageExtensions.begin(), kEmbeddedPackageExtensions.end(), extension) ==
          kEmbeddedPackageExtensions.end())
        continue;
      const std::string child = folder + "/" + name;
      if (auto identifier = bundle::identifier(platform::realFileSystem(), child)) into.insert(*identifier);
      collectEmbeddedIdentifiers(child, depth + 1, into);
    }
  }
}

std::set<std::string> lowercasedAll(const std::set<std::string>& identifiers) {
  std::set<std::string> lower;
  for (const auto& identifier : identifiers) lower.insert(platform::lowercased(identifier));
  return lower;
}

}  // namespace

OrphanScanner::OrphanScanner(Layout layout, Collaborators collaborators)
    : layout_(std::move(layout)), collaborators_(std::move(collaborators)) {}

std::set<std::string> OrphanScanner::installedIdentifiers(const std::vector<InstalledApplication>& installedApplications) {
  std::set<std::string> identifiers;
  for (const auto& app : installedApplications)
    if (app.bundleIdentifier) identifiers.insert(*app.bundleIdentifier);
  for (const auto& app : installedApplications) collectEmbeddedIdentifiers(app.url.path(), 0, identifiers);
  return identifiers;
}

OrphanScanResult OrphanScanner::scan(const std::vector<InstalledApplication>& installedApplications,
                                     const std::vector<AppIdentity>& knownRemovedIdentities,
                                     const std::set<std::string>& suppressedBackgroundItemLabels) const {
  std::vector<OrphanGroup> groups;
  OrphanScanResult result = scan(installedApplications, knownRemovedIdentities, suppressedBackgroundItemLabels,
                                 [&groups](OrphanGroup&& group) { groups.push_back(std::move(group)); });
  result.groups = std::move(groups);
  return result;
}

OrphanScanResult OrphanScanner::scan(const std::vector<InstalledApplication>& installedApplications,
                                     const std::vector<AppIdentity>& knownRemovedIdentities,
                                     const std::set<std::string>& suppressedBackgroundItemLabels,
                                     const GroupSink& sink) const {
  std::vector<std::string> unreadable = AppDiscoveryService(layout_).unreadableApplicationFolders();
  if (!unreadable.empty()) return OrphanScanResult{{}, BackgroundItemStoreStatus{}, std::move(unreadable)};
  Facts facts;
  const std::string library = layout_.userLibrary();
  for (const auto& root : kLibraryRoots)
    facts.roots.push_back({Url::fileURL(library + "/" + std::string(root.folder)), root.kind});
  for (const auto& root : kDiagnosticRoots)
    facts.diagnosticRoots.push_back({Url::fileURL(library + "/" + std::string(root.folder)), root.kind});

  const auto running = collaborators_.runningApplications ? collaborators_.runningApplications()
                                                          : RunningApplications::list();
  for (const auto& app : running)
    if (app.bundleIdentifier) facts.runningBundleIdentifiers.insert(*app.bundleIdentifier);

  facts.installedBundleIdentifiers = installedIdentifiers(installedApplications);

  // The first application in name order claims a vendor prefix.
  std::vector<const InstalledApplication*> byName;
  for (const auto& app : installedApplications) byName.push_back(&app);
  std::stable_sort(byName.begin(), byName.end(), [](const InstalledApplication* a, const InstalledApplication* b) {
    return platform::localizedStandardCompare(a->name, b->name) < 0;
  });
  for (const auto* app : byName) {
    if (!app->bundleIdentifier) continue;
    if (auto prefix = vendorPrefix(*app->bundleIdentifier)) facts.installedVendors.emplace(*prefix, app->name);
  }

  facts.knownRemovedIdentities = knownRemovedIdentities;
  auto background = BackgroundItemsStore::loadDetailed(layout_);
  facts.backgroundItems = std::move(background.records);
  facts.suppressedBackgroundItemLabels = suppressedBackgroundItemLabels;
  facts.progress = collaborators_.progress;
  facts.systemExtensionsRoot = layout_.systemExtensions();
  facts.packageReceiptsDirectory = layout_.receipts();
  const auto tools = collaborators_.receiptTools ? collaborators_.receiptTools : receiptToolsRunner(layout_);
  facts.packageReceipts = PackageReceiptCatalog::load(Url::fileURL(layout_.receipts()), *tools);

  scan(facts, sink);
  return OrphanScanResult{{}, std::move(background.status), {}};
}

std::optional<BackgroundItemRecord> OrphanScanner::removableBackgroundItemOrphan(
    const std::string& label, const std::vector<BackgroundItemRecord>& items,
    const std::vector<InstalledApplication>& installedApplications,
    const std::function<bool(const std::string& path)>& ownerExists) const {
  if (!AppDiscoveryService(layout_).unreadableApplicationFolders().empty()) return std::nullopt;
  const std::set<std::string> installedLower = lowercasedAll(installedIdentifiers(installedApplications));
  const std::set<std::string> runningLower;
  const std::function<bool(const std::string&)> exists =
      ownerExists ? ownerExists : [](const std::string& path) { return platform::realFileSystem().exists(path); };
  const orphans::SourceContext context{installedLower, runningLower, exists, layout_};
  for (const auto& record : items) {
    if (record.typeCategory() != BackgroundItemBits::agent) continue;
    if (record.scopeUUID && platform::lowercased(*record.scopeUUID).starts_with("ffffeeee-dddd-cccc-bbbb-aaaa")) continue;
    if (orphans::backgroundItemOrphanLabel(record, context) == label) return record;
  }
  return std::nullopt;
}

}  // namespace corvane
