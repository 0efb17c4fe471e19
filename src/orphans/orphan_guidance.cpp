#include "corvane/orphans/orphan_guidance.h"

#include <algorithm>

namespace corvane::OrphanGuidance {

namespace {

bool anyProtected(const std::vector<FileFinding>& findings, FindingKind kind) {
  return std::any_of(findings.begin(), findings.end(),
                     [&](const FileFinding& f) { return f.kind == kind && f.isProtectedLocation; });
}

}  // namespace

OrphanGuidanceSummary summary(const std::vector<FileFinding>& findings) {
  OrphanGuidanceSummary s;
  for (const auto& f : findings) {
    if (f.confidence == FindingConfidence::probablyLeftover) ++s.probablyLeftover;
    if (f.confidence == FindingConfidence::review) ++s.review;
    if (f.confidence == FindingConfidence::inUse) ++s.inUse;
  }
  std::vector<std::string> parts;
  if (s.probablyLeftover > 0) parts.push_back(std::to_string(s.probablyLeftover) + " likely safe to remove");
  if (s.review > 0) parts.push_back(std::to_string(s.review) + " to review");
  if (s.inUse > 0) parts.push_back(std::to_string(s.inUse) + " in use");
  for (std::size_t i = 0; i < parts.size(); ++i) s.headline += (i ? " · " : "") + parts[i];
  if (parts.empty()) s.headline = "Nothing removable in this group.";

  s.points.push_back("No installed app claims these items, so none are marked fully Safe - the apps that owned them "
                     "are no longer installed.");
  if (s.probablyLeftover > 0)
    s.points.push_back("\"Probably Leftover\" means strong evidence it belonged to a removed app - usually fine to remove.");
  if (s.review > 0)
    s.points.push_back("\"Review\" means less certain. Expand a row to read the evidence first; if unsure, leave it.");
  if (s.inUse > 0) s.points.push_back("\"In Use\" items can't be selected until the related process quits.");
  if (anyProtected(findings, FindingKind::systemExtension))
    s.points.push_back("Some items (like system extensions) are shown for review only; they are managed by macOS and "
                       "cannot be moved to the Trash. Expand the row for how to turn them off in System Settings.");
  if (anyProtected(findings, FindingKind::backgroundItem))
    s.points.push_back("Some rows are leftover background items (login items or launch agents) whose app is gone. "
                       "They are launchd registrations, not files, so they are shown for review only and are not "
                       "moved to the Trash. Expand a row to see what turning it off does.");
  if (anyProtected(findings, FindingKind::backgroundRegistration))
    s.points.push_back("Some rows are stale records that macOS still keeps for apps or components that are no longer "
                       "installed.  Corvane shows these for review and does not alter macOS's private database.  "
                       "Visible entries can be reviewed in System Settings > General > Login Items & Extensions.");
  const bool allProtected = !findings.empty() && std::all_of(findings.begin(), findings.end(),
                                                             [](const FileFinding& f) { return f.isProtectedLocation; });
  if (!allProtected)
    s.points.push_back("Everything you remove moves to the Trash and stays recoverable - nothing is deleted outright.");
  return s;
}

}  // namespace corvane::OrphanGuidance
