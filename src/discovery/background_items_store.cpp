#include "corvane/discovery/background_items_store.h"

#include <algorithm>
#include <map>
#include <set>

#include "corvane/discovery/login_scope_identity.h"
#include "discovery/background_store_shapes.h"
#include "discovery/scope_text.h"
#include "corvane/platform/file_system.h"

namespace corvane {

namespace {

using discovery::ArchiveContainer;
using discovery::BackgroundItemsBudget;

constexpr std::string_view kFilePrefix = "BackgroundItems-v";
constexpr std::string_view kFileSuffix = ".btm";

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::string joinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string lastComponent(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What one load has gathered so far.
struct LoadState {
  BackgroundItemsBudget budget;
  std::vector<BackgroundItemRecord> records;
  std::set<std::string> indexedScopes;
  bool recognized = false;   // some file had a known shape
  bool globalStoreRead = false;

  bool limitReached() const {
    return budget.recordsEmitted >= BackgroundItemsStore::maxRecordsPerLoad ||
           budget.scopesVisited >= BackgroundItemsStore::maxScopesPerLoad ||
           budget.itemsVisited >= BackgroundItemsStore::maxItemVisitsPerLoad ||
           budget.filesAttempted >= BackgroundItemsStore::maxStoreFilesPerLoad ||
           budget.bytesRead >= BackgroundItemsStore::maxBytesPerLoad || budget.recordBytesExhausted();
  }

  // Reads one discovered file; false when a limit stops the reading of further files.
  bool read(const std::string& path, const std::optional<std::string>& filenameScope,
            const std::optional<std::string>& currentUserScopeUUID) {
    if (limitReached()) {
      budget.truncated = true;
      return false;
    }
    ++budget.filesAttempted;
    auto bytes = discovery::readStoreFile(path, budget);
    ArchiveContainer container = bytes ? discovery::containerOf(*bytes) : ArchiveContainer{};
    switch (container.shape) {
      case ArchiveContainer::Shape::unrecognized:
        ++budget.filesSkipped;
        break;
      case ArchiveContainer::Shape::globalStore:
        recognized = true;
        globalStoreRead = true;
        ++budget.filesParsed;
        discovery::parseV16Store(container, currentUserScopeUUID, budget, records);
        break;
      case ArchiveContainer::Shape::scopeArchive:
        recognized = true;
        ++budget.filesParsed;
        discovery::parseScopeArchive(container, filenameScope, currentUserScopeUUID, budget, records);
        break;
      case ArchiveContainer::Shape::scopeIndex:
        recognized = true;
        indexedScopes.insert(container.indexedScopes.begin(), container.indexedScopes.end());
        break;
    }
    return true;
  }
};

std::vector<BackgroundItemRecord> recordsOf(const ArchiveContainer& container,
                                            const std::optional<std::string>& filenameScope,
                                            const std::optional<std::string>& currentUserScopeUUID,
                                            BackgroundItemsBudget& budget) {
  std::vector<BackgroundItemRecord> records;
  if (container.shape == ArchiveContainer::Shape::globalStore)
    discovery::parseV16Store(container, currentUserScopeUUID, budget, records);
  else if (container.shape == ArchiveContainer::Shape::scopeArchive)
    discovery::parseScopeArchive(container, filenameScope, currentUserScopeUUID, budget, records);
  return records;
}

}  // namespace

std::string_view caseName(BackgroundItemStoreStatus::Kind kind) {
  switch (kind) {
    case BackgroundItemStoreStatus::Kind::parsed: return "parsed";
    case BackgroundItemStoreStatus::Kind::degraded: return "degraded";
    case BackgroundItemStoreStatus::Kind::unreadableShape: return "unreadableShape";
    case BackgroundItemStoreStatus::Kind::directoryEntryLimitExceeded: return "directoryEntryLimitExceeded";
    case BackgroundItemStoreStatus::Kind::storeMissing: return "storeMissing";
  }
  return "storeMissing";
}

bool BackgroundItemsStore::matchesUUIDPattern(std::string_view text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
    if (hyphen ? text[i] != '-' : !isHexDigit(text[i])) return false;
  }
  return true;
}

std::optional<BackgroundItemsStore::StoreFileName> BackgroundItemsStore::parseStoreFileName(std::string_view name) {
  if (name.size() > maxStoreFileNameLength || name.size() < kFilePrefix.size() + kFileSuffix.size()) return std::nullopt;
  if (name.substr(0, kFilePrefix.size()) != kFilePrefix || name.substr(name.size() - kFileSuffix.size()) != kFileSuffix)
    return std::nullopt;
  std::string_view middle = name.substr(kFilePrefix.size(), name.size() - kFilePrefix.size() - kFileSuffix.size());
  const auto hyphen = middle.find('-');
  std::string_view digits = middle.substr(0, hyphen);
  if (digits.empty() || digits.size() > maxVersionDigits || !std::all_of(digits.begin(), digits.end(), isDigit))
    return std::nullopt;
  StoreFileName parsed;
  for (char c : digits) parsed.version = parsed.version * 10 + (c - '0');
  if (hyphen != std::string_view::npos) {
    std::string_view scope = middle.substr(hyphen + 1);
    if (!matchesUUIDPattern(scope)) return std::nullopt;
    parsed.scope = discovery::upperCasedASCII(scope);
  }
  return parsed;
}

std::optional<std::string> BackgroundItemsStore::launchdLabel(const std::optional<std::string>& identifier) {
  if (!identifier) return std::nullopt;
  const auto dot = identifier->find('.');
  if (dot == std::string::npos || dot == 0) return std::nullopt;
  if (!std::all_of(identifier->begin(), identifier->begin() + static_cast<std::ptrdiff_t>(dot), isDigit))
    return std::nullopt;
  std::string_view label = std::string_view(*identifier).substr(dot + 1);
  if (!LaunchdLabel::isValid(label)) return std::nullopt;
  return std::string(label);
}

BackgroundItemsStore::Scope BackgroundItemsStore::classifyScope(const std::optional<std::string>& body,
                                                                const std::optional<std::string>& filename,
                                                                const std::optional<std::string>& currentUserScopeUUID) {
  auto normalized = [](const std::optional<std::string>& text) -> std::optional<std::string> {
    if (!text) return std::nullopt;
    std::string value = discovery::trimmedUpperCased(*text);
    if (value.empty()) return std::nullopt;
    return value;
  };
  const std::optional<std::string> b = normalized(body);
  const std::optional<std::string> f = normalized(filename);
  if (!b && !f) return {std::nullopt, BackgroundItemScopeKind::unknown};
  if (b && f && *b != *f) return {b, BackgroundItemScopeKind::unknown};
  const std::string candidate = b ? *b : *f;
  if (!matchesUUIDPattern(candidate)) return {candidate, BackgroundItemScopeKind::unknown};
  if (!b) return {candidate, BackgroundItemScopeKind::unknown};
  if (candidate.rfind(systemSentinelPrefix, 0) == 0) return {candidate, BackgroundItemScopeKind::systemSentinel};
  const std::optional<std::string> current = normalized(currentUserScopeUUID);
  if (!current) return {candidate, BackgroundItemScopeKind::unknown};
  return {candidate, candidate == *current ? BackgroundItemScopeKind::currentUser : BackgroundItemScopeKind::otherUser};
}

BackgroundItemsStore::DiscoveryResult BackgroundItemsStore::discover(const std::string& directory) {
  DiscoveryResult result;
  auto listing = platform::realFileSystem().list(directory, {.skipHidden = true, .maxEntries = maxDirectoryEntries});
  if (!listing.has_value()) return result;
  if (listing->exceeded) {
    result.outcome = DiscoveryResult::Outcome::tooManyEntries;
    return result;
  }
  // Per version: unscoped names, and (name, scope) pairs.
  std::map<int, std::pair<std::vector<std::string>, std::vector<std::pair<std::string, std::string>>>> byVersion;
  for (const auto& entry : listing->entries) {
    const std::string& name = entry.name;
    auto parsed = parseStoreFileName(name);
    if (!parsed) continue;
    auto& files = byVersion[parsed->version];
    if (parsed->scope) files.second.emplace_back(name, *parsed->scope);
    else files.first.push_back(name);
  }
  if (byVersion.empty()) return result;
  auto& [version, files] = *byVersion.rbegin();
  std::sort(files.first.begin(), files.first.end());
  std::sort(files.second.begin(), files.second.end());
  result.outcome = DiscoveryResult::Outcome::found;
  result.version = version;
  for (const auto& name : files.first) result.storePaths.push_back(joinPath(directory, name));
  for (const auto& [name, scope] : files.second) result.scopedPaths.emplace_back(joinPath(directory, name), scope);
  return result;
}

BackgroundItemsLoadResult BackgroundItemsStore::loadDetailed(const std::string& directory,
                                                             const std::optional<std::string>& currentUserScopeUUID) {
  const DiscoveryResult found = discover(directory);
  if (found.outcome == DiscoveryResult::Outcome::noStore) return {{}, BackgroundItemStoreStatus::storeMissing(), {}};
  if (found.outcome == DiscoveryResult::Outcome::tooManyEntries)
    return {{}, BackgroundItemStoreStatus::directoryEntryLimitExceeded(), {}};

  LoadState state;
  for (const auto& path : found.storePaths)
    if (!state.read(path, std::nullopt, currentUserScopeUUID)) break;
  if (!state.globalStoreRead) {
    for (const auto& [path, scope] : found.scopedPaths)
      if (!state.read(path, scope, currentUserScopeUUID)) break;
  }
  std::set<std::string> scopedFiles;
  for (const auto& pair : found.scopedPaths) scopedFiles.insert(pair.second);
  for (const auto& scope : state.indexedScopes)
    if (!scopedFiles.count(scope)) ++state.budget.filesSkipped;

  BackgroundItemsLoadResult result;
  std::set<std::string> seen = state.indexedScopes;
  for (const auto& record : state.records)
    if (record.scopeUUID) seen.insert(*record.scopeUUID);
  result.scopesSeen.assign(seen.begin(), seen.end());

  const BackgroundItemsBudget& b = state.budget;
  if (state.recognized) {
    if (b.filesSkipped == 0 && !b.truncated)
      result.status = BackgroundItemStoreStatus::parsed(found.version, static_cast<int>(b.filesParsed));
    else
      result.status = BackgroundItemStoreStatus::degraded(found.version, static_cast<int>(b.filesParsed),
                                                          static_cast<int>(b.filesSkipped), b.truncated);
  } else {
    std::vector<std::string> names;
    for (const auto& path : found.storePaths) names.push_back(lastComponent(path));
    for (const auto& pair : found.scopedPaths) names.push_back(lastComponent(pair.first));
    std::sort(names.begin(), names.end());
    result.status = BackgroundItemStoreStatus::unreadableShape(found.version, std::move(names));
  }
  result.records = std::move(state.records);
  return result;
}

BackgroundItemsLoadResult BackgroundItemsStore::loadDetailed(const Layout& layout) {
  return loadDetailed(layout.backgroundItems(), LoginScopeIdentity::currentUserScopeUUID(layout));
}

std::vector<BackgroundItemRecord> BackgroundItemsStore::load(const std::string& directory,
                                                             const std::optional<std::string>& currentUserScopeUUID) {
  return loadDetailed(directory, currentUserScopeUUID).records;
}

std::vector<BackgroundItemRecord> BackgroundItemsStore::loadFile(const std::string& path,
                                                                 const std::optional<std::string>& currentUserScopeUUID) {
  BackgroundItemsBudget budget;
  auto bytes = discovery::readStoreFile(path, budget);
  if (!bytes) return {};
  std::optional<std::string> filenameScope;
  if (auto name = parseStoreFileName(lastComponent(path))) filenameScope = name->scope;
  return recordsOf(discovery::containerOf(*bytes), filenameScope, currentUserScopeUUID, budget);
}

std::vector<BackgroundItemRecord> BackgroundItemsStore::parse(std::span<const std::uint8_t> bytes,
                                                              const std::optional<std::string>& currentUserScopeUUID) {
  BackgroundItemsBudget budget;
  return recordsOf(discovery::containerOf(bytes), std::nullopt, currentUserScopeUUID, budget);
}

MatchEvidence BackgroundItemsStore::removalGuidance(std::string_view) {
  return MatchEvidence(EvidenceKind::removalGuidance,
                       "Turning this off stops it from running at login and moves its leftover settings file to the "
                       "Trash (recoverable). macOS keeps a small entry only you can remove, in System Settings > "
                       "General > Login Items & Extensions.",
                       0);
}

std::vector<std::string> BackgroundItemsStore::hyphenStrippedOwnerCandidates(std::string_view label) {
  const auto dot = label.rfind('.');
  if (dot == std::string_view::npos) return {};
  const std::string_view prefix = label.substr(0, dot);
  const std::string_view last = label.substr(dot + 1);
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0;;) {
    const auto hyphen = last.find('-', start);
    pieces.push_back(last.substr(start, hyphen == std::string_view::npos ? std::string_view::npos : hyphen - start));
    if (hyphen == std::string_view::npos) break;
    start = hyphen + 1;
  }
  if (pieces.size() < 2) return {};
  std::vector<std::string> candidates;
  std::string name;
  for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
    if (name.empty()) name = std::string(pieces[i]);
    else name += "-" + std::string(pieces[i]);
    if (!name.empty()) candidates.push_back(std::string(prefix) + "." + name);
  }
  return candidates;
}

}  // namespace corvane
