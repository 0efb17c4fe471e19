#include "corvane/analysis/evidence_classifier.h"

#include <algorithm>

#include "analysis/grading.h"

namespace corvane::EvidenceClassifier {

bool isSafeEligible(FindingKind kind) {
  return std::find(safeEligibleKinds.begin(), safeEligibleKinds.end(), kind) != safeEligibleKinds.end();
}

FindingConfidence tier(int score, bool hasExactIdentitySignal, FindingKind kind, bool isProtectedLocation,
                       bool isApplicationRunning, bool reviewCap) {
  if (isApplicationRunning) return FindingConfidence::inUse;

  FindingConfidence result = FindingConfidence::review;
  if (isProtectedLocation) {
    if (score >= grading::kProtectedProbablyLeftoverMinimumScore) result = FindingConfidence::probablyLeftover;
  } else if (score >= grading::kSafeToRemoveMinimumScore && hasExactIdentitySignal && isSafeEligible(kind)) {
    result = FindingConfidence::safeToRemove;
  } else if (score >= grading::kProbablyLeftoverMinimumScore) {
    result = FindingConfidence::probablyLeftover;
  }

  if (reviewCap) result = FindingConfidence::review;
  return result;
}

}  // namespace corvane::EvidenceClassifier
