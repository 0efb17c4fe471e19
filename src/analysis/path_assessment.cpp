#include "corvane/analysis/path_assessment.h"

#include "corvane/analysis/evidence_classifier.h"

namespace corvane {

PathAssessment assessPath(const Url& url, const AppIdentity& identity, FindingKind kind, bool isProtectedLocation,
                          bool isApplicationRunning) {
  PathAssessment result{url, kind, MatchEngine::assess(url, identity, kind), FindingConfidence::review};
  result.tier = EvidenceClassifier::tier(result.assessment.score, result.assessment.hasExactIdentitySignal, kind,
                                         isProtectedLocation, isApplicationRunning, /*reviewCap=*/false);
  return result;
}

}  // namespace corvane
