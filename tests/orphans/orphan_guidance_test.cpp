#include <gtest/gtest.h>

#include "corvane/orphans/orphan_guidance.h"

namespace corvane {
namespace {

FileFinding finding(FindingConfidence confidence, FindingKind kind = FindingKind::cache, bool isProtected = false) {
  FileFinding f;
  f.confidence = confidence;
  f.kind = kind;
  f.isProtectedLocation = isProtected;
  return f;
}

TEST(OrphanGuidanceTest, HeadlineAndNotesFollowTheFindings) {
  const std::string safe = "No installed app claims these items, so none are marked fully Safe - the apps that owned "
                           "them are no longer installed.";
  const std::string probable =
      "\"Probably Leftover\" means strong evidence it belonged to a removed app - usually fine to remove.";
  const std::string review = "\"Review\" means less certain. Expand a row to read the evidence first; if unsure, leave it.";
  const std::string inUse = "\"In Use\" items can't be selected until the related process quits.";
  const std::string extension = "Some items (like system extensions) are shown for review only; they are managed by "
                                "macOS and cannot be moved to the Trash. Expand the row for how to turn them off in "
                                "System Settings.";
  const std::string registration =
      "Some rows are stale records that macOS still keeps for apps or components that are no longer installed.  "
      "Corvane shows these for review and does not alter macOS's private database.  Visible entries can be reviewed "
      "in System Settings > General > Login Items & Extensions.";
  const std::string trash = "Everything you remove moves to the Trash and stays recoverable - nothing is deleted outright.";
  using C = FindingConfidence;
  using K = FindingKind;
  struct Case {
    std::vector<FileFinding> findings;
    std::string headline;
    std::vector<std::string> points;
  };
  const Case cases[] = {
      {{}, "Nothing removable in this group.", {safe, trash}},
      {{finding(C::inUse)}, "1 in use", {safe, inUse, trash}},
      {{finding(C::review, K::systemExtension, true)}, "1 to review", {safe, review, extension}},
      {{finding(C::review, K::backgroundRegistration, true), finding(C::review)}, "2 to review",
       {safe, review, registration, trash}},
      {{finding(C::review, K::systemExtension, false)}, "1 to review", {safe, review, trash}},
      {{finding(C::probablyLeftover), finding(C::probablyLeftover), finding(C::probablyLeftover), finding(C::review),
        finding(C::review), finding(C::safeToRemove)},
       "3 likely safe to remove · 2 to review", {safe, probable, review, trash}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.headline);
    const auto s = OrphanGuidance::summary(c.findings);
    EXPECT_EQ(s.headline, c.headline);
    EXPECT_EQ(s.points, c.points);
  }
  EXPECT_EQ(OrphanGuidance::summary(cases[5].findings).probablyLeftover, 3);
}

}  // namespace
}  // namespace corvane
