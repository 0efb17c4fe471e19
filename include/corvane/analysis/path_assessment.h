#pragma once
// The verdict on one path for one application, as the analysis would reach it for an item it met: the
// match engine's evidence and score, and the tier they earn.

#include "corvane/analysis/match_engine.h"
#include "corvane/model/app_identity.h"
#include "corvane/model/finding_kind.h"

namespace corvane {

struct PathAssessment {
  Url url;
  FindingKind kind = FindingKind::other;
  MatchEngine::Assessment assessment;
  FindingConfidence tier = FindingConfidence::review;
};

// `url` judged against `identity` as an item of `kind`; in a system-level location when
// `isProtectedLocation`, with the application running when `isApplicationRunning`.
PathAssessment assessPath(const Url& url, const AppIdentity& identity, FindingKind kind, bool isProtectedLocation,
                          bool isApplicationRunning);

}  // namespace corvane
