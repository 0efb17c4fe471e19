#include "corvane/removal/removal_plan.h"

#include <algorithm>

namespace corvane::RemovalPlan {

namespace {

// Services that could start the application again go first; the application itself goes last.
int group(FindingKind kind) {
  switch (kind) {
    case FindingKind::launchAgent:
    case FindingKind::launchDaemon:
    case FindingKind::helper:
      return 0;
    case FindingKind::application:
      return 2;
    default:
      return 1;
  }
}

}  // namespace

std::vector<FileFinding> ordered(std::vector<FileFinding> findings) {
  std::stable_sort(findings.begin(), findings.end(), [](const FileFinding& a, const FileFinding& b) {
    int ga = group(a.kind);
    int gb = group(b.kind);
    if (ga != gb) return ga < gb;
    return a.url.path() < b.url.path();
  });
  return findings;
}

}  // namespace corvane::RemovalPlan
