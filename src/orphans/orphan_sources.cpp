#include "orphans/orphan_sources.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string_view>

#include "base/ascii.h"
#include "corvane/base/url.h"
#include "corvane/discovery/background_items_store.h"
#include "analysis/system_library_names.h"
#include "corvane/orphans/orphan_scanner.h"
#include "discovery/bundle_reader.h"
#include "platform/disk_identity.h"
#include "platform/file_status.h"
#include "corvane/platform/file_system.h"

namespace corvane::orphans {

namespace {

constexpr int kSourceScore = 55;
constexpr std::array<std::string_view, 3> kSystemExtensionBundleExtensions = {"kext", "dext", "systemextension"};
constexpr std::int64_t kLoginAgentType = 8;
constexpr std::int64_t kDeveloperType = 32;

std::string lowerCased(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ascii::lower(c);
  return out;
}

// Apple's items are never orphans, whichever source names them.
bool isAppleIdentifier(std::string_view identifier) { return SystemLibraryNames::isAppleFamily(identifier); }

bool isNeverBlamed(const std::string& identifier) {
  return OrphanScanner::isLikelyTestFixture(identifier) || OrphanScanner::isKnownSharedSDKComponent(identifier);
}

Date dateOf(const platform::FileStatus& status) { return Date{std::chrono::seconds{status.modifiedSeconds}}; }

std::optional<Date> modificationDate(const std::string& path) {
  if (auto status = platform::linkStatus(path)) return dateOf(*status);
  return std::nullopt;
}

// A finding at a host path with the resource values the sources share.
FileFinding findingAt(const std::string& path, FindingKind kind, std::vector<MatchEvidence> evidence,
                      std::optional<std::int64_t> byteCount, std::optional<Date> modifiedAt, bool isProtected,
                      std::optional<std::string> displayName) {
  Url url = Url::fileURL(path);
  auto identity = valueIfAny(platform::diskIdentityOf(url));
  return FileFinding::make(std::move(url), kind, FindingConfidence::review, kSourceScore, std::move(evidence),
                           byteCount, modifiedAt, isProtected, std::move(displayName), identity);
}

bool startsWithSlash(const std::optional<std::string>& path) { return path && path->starts_with("/"); }

}  // namespace

// ---- Installer receipts ----

void appendOrphanReceipts(GroupMap& groups, const std::vector<PackageReceiptRecord>& receipts,
                          const std::string& receiptsDirectory, const SourceContext& context) {
  const platform::FileSystem& fs = platform::realFileSystem();
  for (const auto& receipt : receipts) {
    const std::string& id = receipt.packageID;
    if (isAppleIdentifier(id) || OrphanScanner::hasInstalledOwner(id, context.installedLower) || isNeverBlamed(id) ||
        !receipt.primaryPayloadAppPath)
      continue;
    if (fs.exists(context.layout.hostPath(*receipt.primaryPayloadAppPath))) continue;

    std::optional<std::string> first;
    std::int64_t bytes = 0;
    std::optional<Date> latest;
    for (const char* extension : {".bom", ".plist"}) {
      const std::string file = receiptsDirectory + "/" + id + extension;
      auto status = platform::linkStatus(file);
      if (!status) continue;
      if (!first) first = file;
      bytes += status->allocatedSize > 0 ? status->allocatedSize : std::max<std::int64_t>(status->size, 0);
      if (!latest || dateOf(*status) > *latest) latest = dateOf(*status);
    }
    if (!first) continue;

    std::vector<MatchEvidence> evidence;
    evidence.emplace_back(EvidenceKind::packageReceipt,
                          "Installer receipt " + id +
                              " records a package whose installed app is no longer on your Mac. Removing it clears "
                              "that leftover record (its .bom and .plist).",
                          kSourceScore);
    evidence.emplace_back(EvidenceKind::noInstalledOwner,
                          "The app this receipt installed (" + *receipt.primaryPayloadAppPath +
                              ") is gone, and no installed application owns its package identifier. Absence of an "
                              "owner plus a missing payload app is the leftover signal.",
                          0);
    evidence.emplace_back(EvidenceKind::requiresAdministrator,
                          "This installer receipt is system-owned, so macOS needs administrator approval to remove "
                          "it. The approved helper moves it to the Trash (recoverable) with no password.",
                          0);
    groups["installer-receipt:" + id].push_back(findingAt(*first, FindingKind::installerReceipt, std::move(evidence),
                                                          bytes >= 1 ? std::optional(bytes) : std::nullopt, latest,
                                                          false, std::nullopt));
  }
}

// ---- Staged system extensions ----

std::optional<std::string> stagedBundlePath(const SystemExtensionRecord& record, const std::string& stagingRoot) {
  if (!record.uniqueID) return std::nullopt;
  const std::string folder = stagingRoot + "/" + *record.uniqueID;
  auto listing = platform::realFileSystem().list(folder, {.skipHidden = true, .sorted = true});
  if (!listing.has_value()) return std::nullopt;
  for (const auto& entry : listing->entries) {
    const std::string extension = lowerCased(Url::fileURL(entry.name).pathExtension());
    if (std::find(kSystemExtensionBundleExtensions.begin(), kSystemExtensionBundleExtensions.end(), extension) !=
        kSystemExtensionBundleExtensions.end())
      return folder + "/" + entry.name;
  }
  return std::nullopt;
}

namespace {

std::size_t identifierPieces(std::string_view identifier) {
  std::size_t pieces = 0;
  std::size_t start = 0;
  while (start <= identifier.size()) {
    const auto dot = identifier.find('.', start);
    const auto end = dot == std::string_view::npos ? identifier.size() : dot;
    if (end > start) ++pieces;
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return pieces;
}

}  // namespace

void appendOrphanSystemExtensions(GroupMap& groups, const std::vector<SystemExtensionRecord>& catalog,
                                  const std::string& stagingRoot, const SourceContext& context) {
  for (const auto& record : catalog) {
    const std::optional<std::string> staged = stagedBundlePath(record, stagingRoot);
    std::vector<std::string> candidates;
    if (staged) {
      if (auto identifier = bundle::identifier(platform::realFileSystem(), *staged)) candidates.push_back(*identifier);
    }
    candidates.push_back(record.extID);
    candidates.insert(candidates.end(), record.ownerAppIdentifiers.begin(), record.ownerAppIdentifiers.end());
    if (std::any_of(candidates.begin(), candidates.end(), [&](const std::string& candidate) {
          return isAppleIdentifier(candidate) || OrphanScanner::hasInstalledOwner(candidate, context.installedLower);
        }))
      continue;

    if (record.ownerAppBundlePath) {
      if (context.ownerExists(context.layout.hostPath(*record.ownerAppBundlePath))) continue;
    } else if (record.ownerAppIdentifiers.empty() ||
               std::any_of(record.ownerAppIdentifiers.begin(), record.ownerAppIdentifiers.end(),
                           [](const std::string& id) { return identifierPieces(id) < 3; })) {
      continue;
    }

    const std::string location =
        staged ? *staged : stagingRoot + (record.uniqueID ? "/" + *record.uniqueID : std::string()) + "/" + record.extID;
    std::vector<MatchEvidence> evidence;
    const std::string tail = " macOS keeps a staged copy, so removing it is guided, not a Trash move.";
    evidence.emplace_back(EvidenceKind::noInstalledOwner,
                          record.ownerAppBundlePath
                              ? "This system extension was installed by an app that is no longer on your Mac (its "
                                "recorded application at " +
                                    *record.ownerAppBundlePath + " is gone)." + tail
                              : "No installed application owns this staged system extension." + tail,
                          0);
    evidence.push_back(SystemExtensionCatalog::removalGuidance(record, Url::fileURL(location)));
    groups["system-extension:" + record.extID].push_back(findingAt(location, FindingKind::systemExtension,
                                                                   std::move(evidence), std::nullopt,
                                                                   modificationDate(location), true, std::nullopt));
  }
}

// ---- Background items ----

std::optional<std::string> externalVolumeRoot(const std::string& macPath) {
  auto parts = url::pathComponents(url::standardizedPath(macPath));
  if (parts.size() < 3 || parts[0] != "/" || parts[1] != "Volumes") return std::nullopt;
  return "/Volumes/" + parts[2];
}

bool isCurrentUserTrashPath(const std::string& macPath, const Layout& layout) {
  const std::string path = url::standardizedPath(macPath);
  const std::string trash = url::standardizedPath(layout.userTrash()) + "/";
  // A path in the home as the host keeps it, or as the Mac names it under the layout's root.
  if (path.starts_with(trash) || layout.hostPath(path).starts_with(trash)) return true;
  auto parts = url::pathComponents(path);
  return parts.size() >= 6 && parts[0] == "/" && parts[1] == "Volumes" && parts[3] == ".Trashes" &&
         parts[4] == std::to_string(layout.userID);
}

bool ownerIsGone(const std::string& macPath, const SourceContext& context) {
  const std::string path = url::standardizedPath(macPath);
  if (auto volume = externalVolumeRoot(path); volume && !context.ownerExists(context.layout.hostPath(*volume)))
    return false;  // an unmounted disk proves nothing
  if (isCurrentUserTrashPath(path, context.layout)) return true;
  return !context.ownerExists(context.layout.hostPath(path));
}

namespace {

bool isSystemSentinel(const BackgroundItemRecord& record) {
  if (!record.scopeUUID) return false;
  std::string upper = *record.scopeUUID;
  for (char& c : upper) c = ascii::upper(c);
  return upper.starts_with(BackgroundItemsStore::systemSentinelPrefix);
}

// The target the record's texts name: an absolute executable, else an absolute registered URL, else a
// relative executable.
std::optional<std::string> describedTarget(const BackgroundItemRecord& record) {
  if (startsWithSlash(record.executablePath)) return record.executablePath;
  if (startsWithSlash(record.registeredURLPath)) return record.registeredURLPath;
  return record.executablePath;
}

std::string stateSentence(const BackgroundItemRecord& record) {
  const bool loginAgent = record.typeCategory() == kLoginAgentType;
  if (!record.isEnabled()) return "It is currently disabled.";
  if (loginAgent)
    return record.isHidden() ? "It is still enabled (it would run at login), and macOS has hidden it from the "
                               "visible Login Items list."
                             : "It is still enabled and would run at login.";
  return record.isHidden() ? "macOS still marks the record enabled and hides it from the visible Login Items list. "
                             "No installed app or component owns it."
                           : "macOS still marks the record enabled. No installed app or component owns it.";
}

}  // namespace

std::optional<std::string> backgroundItemOrphanLabel(const BackgroundItemRecord& record, const SourceContext& context) {
  if (record.scopeKind != BackgroundItemScopeKind::currentUser || isSystemSentinel(record)) return std::nullopt;
  if (!record.label || record.typeCategory() == kDeveloperType || isAppleIdentifier(*record.label)) return std::nullopt;

  std::vector<std::string> candidates{*record.label};
  for (auto& candidate : BackgroundItemsStore::hyphenStrippedOwnerCandidates(*record.label))
    candidates.push_back(std::move(candidate));
  if (record.bundleIdentifier) candidates.push_back(*record.bundleIdentifier);
  for (const auto& candidate : candidates)
    if (isAppleIdentifier(candidate) || OrphanScanner::hasInstalledOwner(candidate, context.installedLower) ||
        isNeverBlamed(candidate))
      return std::nullopt;
  if (std::any_of(record.associatedBundleIdentifiers.begin(), record.associatedBundleIdentifiers.end(),
                  isAppleIdentifier))
    return std::nullopt;

  if (startsWithSlash(record.executablePath) || startsWithSlash(record.registeredURLPath)) {
    const std::string& target =
        startsWithSlash(record.executablePath) ? *record.executablePath : *record.registeredURLPath;
    return ownerIsGone(target, context) ? record.label : std::nullopt;
  }
  if (record.executablePath && !record.executablePath->empty() && record.typeCategory() == kLoginAgentType)
    return record.label;
  return std::nullopt;
}

void appendOrphanBackgroundItems(GroupMap& groups, const std::vector<BackgroundItemRecord>& items,
                                 const std::set<std::string>& suppressed, const SourceContext& context) {
  for (const auto& record : items) {
    const auto label = backgroundItemOrphanLabel(record, context);
    if (!label || suppressed.count(*label)) continue;
    const std::string& L = *label;
    const std::string display = record.name.value_or(L);
    const bool loginAgent = record.typeCategory() == kLoginAgentType;

    std::string target = "its recorded target no longer resolves to an installed app";
    if (auto path = describedTarget(record)) {
      target = isCurrentUserTrashPath(*path, context.layout)
                   ? "its recorded target is in the Trash at " + *path + ", so it is no longer installed"
                   : "its recorded target at " + *path + " is missing from its installed location";
    }

    std::vector<MatchEvidence> evidence;
    evidence.emplace_back(EvidenceKind::launchDefinition,
                          "A background item \"" + display + "\" is registered under " + L + ". " +
                              stateSentence(record),
                          kSourceScore);
    evidence.emplace_back(EvidenceKind::noInstalledOwner,
                          "There is no installed owner for this background item (" + target +
                              "). Absence of an installed owner is the leftover signal.",
                          0);
    if (context.runningLower.count(lowerCased(L)))
      evidence.emplace_back(EvidenceKind::runningProcess, "A background process for " + L + " is currently running.",
                            0);
    if (loginAgent) {
      evidence.emplace_back(EvidenceKind::removalGuidance,
                            "Turning this off stops it from running at login and moves its leftover settings file to "
                            "the Trash (recoverable). macOS keeps a small entry only you can remove, in System "
                            "Settings > General > Login Items & Extensions.",
                            0);
    } else {
      evidence.emplace_back(
          EvidenceKind::reviewGuidance,
          record.isHidden()
              ? "This hidden stale record is managed by macOS, not a launch agent Corvane can turn off.  Corvane "
                "leaves it unchanged; macOS does not show it in the visible Login Items list."
              : "This stale record is managed by macOS, not a launch agent Corvane can turn off.  Corvane leaves it "
                "unchanged.  Review the visible entry in System Settings > General > Login Items & Extensions.",
          0);
    }

    const std::string preferences = context.layout.underHome("Library/Preferences/" + L + ".plist");
    std::string location = preferences;
    if (!loginAgent) {
      if (startsWithSlash(record.registeredURLPath)) location = context.layout.hostPath(*record.registeredURLPath);
      else if (startsWithSlash(record.executablePath)) location = context.layout.hostPath(*record.executablePath);
    }
    groups["background-item:" + L].push_back(findingAt(location,
                                                       loginAgent ? FindingKind::backgroundItem
                                                                  : FindingKind::backgroundRegistration,
                                                       std::move(evidence), std::nullopt, modificationDate(location),
                                                       true, display));
  }
}

}  // namespace corvane::orphans
