#pragma once
// The three enumerations that describe a finding. Each case's string value is at once its display text
// and its JSON value; reading an unlisted string falls back to a fixed case.

#include <array>
#include <optional>
#include <string_view>

namespace corvane {

enum class FindingKind {
  application, cache, preference, applicationSupport, container, groupContainer, savedState, webData, log,
  launchAgent, launchDaemon, helper, appScript, plugin, framework, installerReceipt, systemExtension,
  backgroundItem, backgroundRegistration, other,
};

enum class FindingConfidence { safeToRemove, probablyLeftover, review, inUse };

enum class EvidenceKind {
  bundleIdentifier, signingIdentifier, teamIdentifier, appName, location, launchDefinition, packageReceipt,
  modificationAge, runningProcess, selectedApplication, noInstalledOwner, embeddedComponent, relatedComponent,
  applicationGroup, pluginOwnership, sharedOwnership, requiresAdministrator, sameDeveloper, removalGuidance,
  reviewGuidance,
};

extern const std::array<FindingKind, 20> kAllFindingKinds;
extern const std::array<FindingConfidence, 4> kAllFindingConfidences;
extern const std::array<EvidenceKind, 20> kAllEvidenceKinds;

// String values ("Group Container", "Safe to Remove", "Developer team").
std::string_view stringValue(FindingKind kind);
std::string_view stringValue(FindingConfidence confidence);
std::string_view stringValue(EvidenceKind kind);

// Case names as written in code ("groupContainer", "safeToRemove").
std::string_view caseName(FindingKind kind);
std::string_view caseName(FindingConfidence confidence);
std::string_view caseName(EvidenceKind kind);

// Lenient readers of string values: unknown kinds read as `other`, confidences as `review`,
// evidence kinds as `location`.
FindingKind findingKindFromString(std::string_view value);
FindingConfidence findingConfidenceFromString(std::string_view value);
EvidenceKind evidenceKindFromString(std::string_view value);

// Strict reader of case names, for command lines.
std::optional<FindingKind> findingKindFromCaseName(std::string_view name);

// 3 for safeToRemove down to 0 for inUse; higher means more confidently removable.
int rank(FindingConfidence confidence);

}  // namespace corvane
