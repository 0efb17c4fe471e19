#include "analysis/candidate_scoring.h"

#include "analysis/analyzer_texts.h"
#include "analysis/evidence_tally.h"
#include "analysis/grading.h"
#include "corvane/analysis/evidence_classifier.h"

namespace corvane {

namespace texts {

std::optional<MatchEvidence> ageEvidence(const std::optional<Date>& modifiedAt, Date now) {
  if (!modifiedAt) return std::nullopt;
  auto days = std::chrono::floor<std::chrono::days>(now - *modifiedAt).count();
  if (days < grading::kAgeThresholdDays) return std::nullopt;
  return MatchEvidence(EvidenceKind::modificationAge,
                       "Not modified for about " + std::to_string(days) + " days; age is supporting evidence only.",
                       grading::kAgeEvidencePoints);
}

}  // namespace texts

namespace CandidateScoring {

namespace {

using IdentifierMatch = MatchEngine::IdentifierMatch;

constexpr int kMinimumScore = 22;  // at or below 21 without an exact signal, a match is noise
constexpr int kApplicationGroupWeight = 70;
constexpr int kRecordedOwnerWeight = 70;
constexpr int kRecordedOwnerFamilyWeight = 55;

bool isLaunchDefinition(FindingKind kind) {
  return kind == FindingKind::launchAgent || kind == FindingKind::launchDaemon;
}

}  // namespace

std::optional<Weighing> weigh(IdentityFacts facts) {
  EvidenceTally tally(std::move(facts.evidence), facts.score);
  bool exact = facts.exact;
  if (facts.claimsGroup) {
    tally.add(EvidenceKind::applicationGroup, texts::kApplicationGroup, kApplicationGroupWeight);
    exact = true;
  }

  if (facts.kind == FindingKind::container && facts.containerOwner &&
      !tally.has({EvidenceKind::bundleIdentifier, EvidenceKind::signingIdentifier, EvidenceKind::relatedComponent})) {
    const std::string& owner = *facts.containerOwner;
    if (facts.containerOwnerMatch == IdentifierMatch::exact) {
      tally.add(EvidenceKind::bundleIdentifier,
                "This container's recorded owner (its containermanagerd metadata identifier " + owner +
                    ") is exactly this app's identifier.",
                kRecordedOwnerWeight);
      exact = true;
    } else if (facts.containerOwnerMatch == IdentifierMatch::family) {
      tally.add(EvidenceKind::relatedComponent,
                "This container's recorded owner " + owner +
                    " belongs to this app's identifier family - a helper or component.",
                kRecordedOwnerFamilyWeight);
    }
  }

  if (isLaunchDefinition(facts.kind)) {
    // In a system location only identifiers and the location itself count before the job's own definition.
    if (facts.isProtected) {
      tally.keepOnly([](const MatchEvidence& e) {
        return e.kind == EvidenceKind::bundleIdentifier || e.kind == EvidenceKind::signingIdentifier ||
               e.kind == EvidenceKind::location;
      });
    }
    for (auto& e : facts.launchEvidence) tally.add(std::move(e));
  }

  if (tally.score() < kMinimumScore && !exact) return std::nullopt;

  const bool teamOnly = facts.kind == FindingKind::groupContainer &&
                        !tally.has({EvidenceKind::bundleIdentifier, EvidenceKind::signingIdentifier,
                                    EvidenceKind::relatedComponent, EvidenceKind::applicationGroup,
                                    EvidenceKind::pluginOwnership}) &&
                        tally.has({EvidenceKind::teamIdentifier});
  const int total = tally.score();
  return Weighing{tally.takeEvidence(), total, exact, teamOnly};
}

std::optional<Grading> grade(Weighing weighing, FindingKind kind, bool isProtected, const ItemFacts& item) {
  if (item.arbitration.suppress) return std::nullopt;
  EvidenceTally tally(std::move(weighing.evidence), weighing.score);
  const bool reviewCap = item.arbitration.capReview || weighing.teamOnly;
  if (reviewCap) tally.add(EvidenceKind::sharedOwnership, texts::kSharedOwnership, 0);
  if (auto age = texts::ageEvidence(item.modifiedAt, item.now)) tally.add(std::move(*age));
  if (item.running) tally.add(EvidenceKind::runningProcess, texts::kRunning, 0);
  if (isProtected && (kind == FindingKind::launchDaemon || kind == FindingKind::helper)) {
    tally.add(EvidenceKind::requiresAdministrator, texts::kSystemComponent, 0);
  } else if (kind != FindingKind::systemExtension && item.requiresAdministrator) {
    tally.add(EvidenceKind::requiresAdministrator, texts::kAdministratorApproval, 0);
  }
  const int total = tally.score();
  const FindingConfidence tier =
      EvidenceClassifier::tier(total, weighing.exact, kind, isProtected, item.running, reviewCap);
  return Grading{tally.takeEvidence(), total, tier};
}

std::optional<Grading> score(IdentityFacts identity, const ItemFacts& item) {
  const FindingKind kind = identity.kind;
  const bool isProtected = identity.isProtected;
  auto weighing = weigh(std::move(identity));
  if (!weighing) return std::nullopt;
  return grade(std::move(*weighing), kind, isProtected, item);
}

}  // namespace CandidateScoring

}  // namespace corvane
