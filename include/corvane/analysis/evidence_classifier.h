#pragma once
// Grades a scored finding into a confidence tier.

#include <array>

#include "corvane/model/finding_kind.h"

namespace corvane::EvidenceClassifier {

// The only kinds that may ever be graded "Safe to Remove"; every other kind stops at "Probably Leftover".
inline constexpr std::array<FindingKind, 7> safeEligibleKinds = {
    FindingKind::application, FindingKind::cache,     FindingKind::preference, FindingKind::container,
    FindingKind::appScript,   FindingKind::plugin,    FindingKind::framework,
};

bool isSafeEligible(FindingKind kind);

// The tier rule: a running application holds everything in use; a protected location never reaches
// "Safe to Remove"; a review cap from arbitration lowers any removable grade to "Review".
FindingConfidence tier(int score, bool hasExactIdentitySignal, FindingKind kind, bool isProtectedLocation,
                       bool isApplicationRunning, bool reviewCap);

}  // namespace corvane::EvidenceClassifier
