#include "corvane/model/file_finding.h"

#include <algorithm>

#include "base/hashing.h"

namespace corvane {

FileFinding FileFinding::make(Url url, FindingKind kind, FindingConfidence confidence, int score,
                              std::vector<MatchEvidence> evidence, std::optional<std::int64_t> byteCount,
                              std::optional<Date> modifiedAt, bool isProtectedLocation,
                              std::optional<std::string> displayName, std::optional<DiskIdentity> diskIdentity) {
  FileFinding f;
  f.diskIdentity = std::move(diskIdentity);
  f.url = std::move(url);
  f.kind = kind;
  f.confidence = confidence;
  f.score = score;
  f.evidence = std::move(evidence);
  f.byteCount = byteCount;
  f.modifiedAt = modifiedAt;
  f.isProtectedLocation = isProtectedLocation;
  f.displayName = std::move(displayName);
  return f;
}

bool FileFinding::requiresAdministrator() const {
  return std::any_of(evidence.begin(), evidence.end(),
                     [](const MatchEvidence& e) { return e.kind == EvidenceKind::requiresAdministrator; });
}

bool FileFinding::isManuallySelectable() const {
  return confidence != FindingConfidence::inUse && !isProtectedLocation;
}

bool FileFinding::isSelectable() const { return isManuallySelectable() && !requiresAdministrator(); }

}  // namespace corvane

std::size_t std::hash<corvane::MatchEvidence>::operator()(const corvane::MatchEvidence& v) const noexcept {
  return corvane::hashAll(v.id, static_cast<int>(v.kind), v.explanation, v.weight);
}

std::size_t std::hash<corvane::FileFinding>::operator()(const corvane::FileFinding& v) const noexcept {
  return corvane::hashAll(v.id, v.url, static_cast<int>(v.kind), static_cast<int>(v.confidence), v.score, v.evidence,
                          v.byteCount, v.modifiedAt, v.isProtectedLocation, v.displayName, v.diskIdentity);
}

std::size_t std::hash<corvane::AnalysisSnapshot>::operator()(const corvane::AnalysisSnapshot& v) const noexcept {
  return corvane::hashAll(v.id, v.createdAt, v.appURL, v.identity, v.isApplicationRunning, v.findings);
}
