#include "corvane/discovery/background_item_record.h"

#include "corvane/discovery/background_items_store.h"
#include "base/hashing.h"
#include "discovery/scope_text.h"

namespace corvane {

namespace {

constexpr std::array<std::string_view, 4> kScopeKindNames = {"currentUser", "otherUser", "systemSentinel", "unknown"};

bool beginsWithSentinel(const std::optional<std::string>& scope) {
  return scope && discovery::upperCasedASCII(*scope).rfind(BackgroundItemsStore::systemSentinelPrefix, 0) == 0;
}

}  // namespace

const std::array<BackgroundItemScopeKind, 4> kAllBackgroundItemScopeKinds = {
    BackgroundItemScopeKind::currentUser, BackgroundItemScopeKind::otherUser, BackgroundItemScopeKind::systemSentinel,
    BackgroundItemScopeKind::unknown};

std::string_view stringValue(BackgroundItemScopeKind kind) { return kScopeKindNames[static_cast<std::size_t>(kind)]; }

std::optional<BackgroundItemScopeKind> backgroundItemScopeKindFromString(std::string_view text) {
  for (auto kind : kAllBackgroundItemScopeKinds)
    if (stringValue(kind) == text) return kind;
  return std::nullopt;
}

bool BackgroundItemRecord::executablePathIsRelative() const {
  return executablePath && !executablePath->empty() && executablePath->front() != '/';
}

bool BackgroundItemRecord::isWellKnownSystemScope() const { return beginsWithSentinel(scopeUUID); }

bool BackgroundItemRecord::isActionableScope() const {
  return scopeKind == BackgroundItemScopeKind::currentUser && !beginsWithSentinel(scopeUUID);
}

}  // namespace corvane

std::size_t std::hash<corvane::BackgroundItemRecord>::operator()(const corvane::BackgroundItemRecord& v) const noexcept {
  std::size_t seed = corvane::hashAll(v.scopeUUID, static_cast<int>(v.scopeKind), v.identifier, v.label, v.name,
                                      v.developerName, v.teamIdentifier, v.bundleIdentifier,
                                      v.associatedBundleIdentifiers, v.executablePath, v.registeredURLPath,
                                      v.container, v.type, v.disposition);
  corvane::hashCombine(seed, v.subItems.size());
  for (const auto& item : v.subItems) corvane::hashCombine(seed, (*this)(item));
  return seed;
}
