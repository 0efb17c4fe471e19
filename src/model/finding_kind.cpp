#include "corvane/model/finding_kind.h"

namespace corvane {

namespace {

template <class E>
struct Entry {
  E value;
  std::string_view caseName;
  std::string_view text;
};

constexpr Entry<FindingKind> kKinds[] = {
    {FindingKind::application, "application", "Application"},
    {FindingKind::cache, "cache", "Cache"},
    {FindingKind::preference, "preference", "Preference"},
    {FindingKind::applicationSupport, "applicationSupport", "Application Support"},
    {FindingKind::container, "container", "Container"},
    {FindingKind::groupContainer, "groupContainer", "Group Container"},
    {FindingKind::savedState, "savedState", "Saved State"},
    {FindingKind::webData, "webData", "Web Data"},
    {FindingKind::log, "log", "Log"},
    {FindingKind::launchAgent, "launchAgent", "Launch Agent"},
    {FindingKind::launchDaemon, "launchDaemon", "Launch Daemon"},
    {FindingKind::helper, "helper", "Privileged Helper"},
    {FindingKind::appScript, "appScript", "Application Script"},
    {FindingKind::plugin, "plugin", "Plug-in / Extension"},
    {FindingKind::framework, "framework", "Framework"},
    {FindingKind::installerReceipt, "installerReceipt", "Installer Receipt"},
    {FindingKind::systemExtension, "systemExtension", "System / Kernel Extension"},
    {FindingKind::backgroundItem, "backgroundItem", "Background Item"},
    {FindingKind::backgroundRegistration, "backgroundRegistration", "Background Registration"},
    {FindingKind::other, "other", "Other"},
};

constexpr Entry<FindingConfidence> kConfidences[] = {
    {FindingConfidence::safeToRemove, "safeToRemove", "Safe to Remove"},
    {FindingConfidence::probablyLeftover, "probablyLeftover", "Probably Leftover"},
    {FindingConfidence::review, "review", "Review"},
    {FindingConfidence::inUse, "inUse", "In Use"},
};

constexpr Entry<EvidenceKind> kEvidence[] = {
    {EvidenceKind::bundleIdentifier, "bundleIdentifier", "Bundle identifier"},
    {EvidenceKind::signingIdentifier, "signingIdentifier", "Signing identifier"},
    {EvidenceKind::teamIdentifier, "teamIdentifier", "Developer team"},
    {EvidenceKind::appName, "appName", "Application name"},
    {EvidenceKind::location, "location", "Known location"},
    {EvidenceKind::launchDefinition, "launchDefinition", "Launch definition"},
    {EvidenceKind::packageReceipt, "packageReceipt", "Package receipt"},
    {EvidenceKind::modificationAge, "modificationAge", "Modification age"},
    {EvidenceKind::runningProcess, "runningProcess", "Running process"},
    {EvidenceKind::selectedApplication, "selectedApplication", "Selected application"},
    {EvidenceKind::noInstalledOwner, "noInstalledOwner", "No installed owner"},
    {EvidenceKind::embeddedComponent, "embeddedComponent", "Embedded component"},
    {EvidenceKind::relatedComponent, "relatedComponent", "Related helper or component"},
    {EvidenceKind::applicationGroup, "applicationGroup", "App group entitlement"},
    {EvidenceKind::pluginOwnership, "pluginOwnership", "Plug-in bundle identifier"},
    {EvidenceKind::sharedOwnership, "sharedOwnership", "Shared with another app"},
    {EvidenceKind::requiresAdministrator, "requiresAdministrator", "Requires administrator"},
    {EvidenceKind::sameDeveloper, "sameDeveloper", "Same developer"},
    {EvidenceKind::removalGuidance, "removalGuidance", "How to remove"},
    {EvidenceKind::reviewGuidance, "reviewGuidance", "Review guidance"},
};

// Tables are in declaration order, so a case's underlying value is its index.
template <class E, std::size_t N>
const Entry<E>& entry(const Entry<E> (&table)[N], E value) {
  return table[static_cast<std::size_t>(value)];
}

template <class E, std::size_t N>
E fromText(const Entry<E> (&table)[N], std::string_view text, E fallback) {
  for (const auto& e : table)
    if (e.text == text) return e.value;
  return fallback;
}

template <class E, std::size_t N>
std::array<E, N> allOf(const Entry<E> (&table)[N]) {
  std::array<E, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = table[i].value;
  return out;
}

}  // namespace

const std::array<FindingKind, 20> kAllFindingKinds = allOf(kKinds);
const std::array<FindingConfidence, 4> kAllFindingConfidences = allOf(kConfidences);
const std::array<EvidenceKind, 20> kAllEvidenceKinds = allOf(kEvidence);

std::string_view stringValue(FindingKind kind) { return entry(kKinds, kind).text; }
std::string_view stringValue(FindingConfidence confidence) { return entry(kConfidences, confidence).text; }
std::string_view stringValue(EvidenceKind kind) { return entry(kEvidence, kind).text; }

std::string_view caseName(FindingKind kind) { return entry(kKinds, kind).caseName; }
std::string_view caseName(FindingConfidence confidence) { return entry(kConfidences, confidence).caseName; }
std::string_view caseName(EvidenceKind kind) { return entry(kEvidence, kind).caseName; }

FindingKind findingKindFromString(std::string_view value) { return fromText(kKinds, value, FindingKind::other); }
FindingConfidence findingConfidenceFromString(std::string_view value) {
  return fromText(kConfidences, value, FindingConfidence::review);
}
EvidenceKind evidenceKindFromString(std::string_view value) {
  return fromText(kEvidence, value, EvidenceKind::location);
}

std::optional<FindingKind> findingKindFromCaseName(std::string_view name) {
  for (const auto& e : kKinds)
    if (e.caseName == name) return e.value;
  return std::nullopt;
}

int rank(FindingConfidence confidence) { return 3 - static_cast<int>(confidence); }

}  // namespace corvane
