// The tier rule and the explanation of it that people read. (The assess command's tests also pin an exact
// cache match that is Safe, Probably Leftover when protected, and In Use when running.)
#include <gtest/gtest.h>

#include "corvane/analysis/evidence_classifier.h"
#include "corvane/analysis/transparency_content.h"

namespace corvane {
namespace {

using C = FindingConfidence;

// Every threshold at its value and one point on each side; the overrides beside them.
TEST(GradingTest, EachTierStartsAtItsThreshold) {
  using K = FindingKind;
  struct Case {
    int score;
    bool exact;
    K kind;
    bool isProtected, running, reviewCap;
    C expected;
  } cases[] = {
      {74, true, K::cache, false, false, false, C::probablyLeftover},
      {75, true, K::cache, false, false, false, C::safeToRemove},
      {76, true, K::cache, false, false, false, C::safeToRemove},
      {100, false, K::cache, false, false, false, C::probablyLeftover},  // no exact identity signal
      {100, true, K::log, false, false, false, C::probablyLeftover},     // not a safe-eligible kind
      {51, false, K::log, false, false, false, C::review},
      {52, false, K::log, false, false, false, C::probablyLeftover},
      {53, false, K::log, false, false, false, C::probablyLeftover},
      {64, true, K::cache, true, false, false, C::review},
      {65, true, K::cache, true, false, false, C::probablyLeftover},
      {100, true, K::cache, true, false, false, C::probablyLeftover},  // protected: never Safe
      {100, true, K::cache, false, false, true, C::review},
      {0, false, K::other, true, true, true, C::inUse},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.score) + " " + std::string(stringValue(c.kind)));
    EXPECT_EQ(EvidenceClassifier::tier(c.score, c.exact, c.kind, c.isProtected, c.running, c.reviewCap), c.expected);
  }
}

TEST(TransparencyContentTest, SectionsInOrderWithTheirTitlesAndTheGradingNumbers) {
  TransparencyContent content = TransparencyContent::current();
  EXPECT_EQ(content.title, "How Corvane decides what is safe");
  EXPECT_EQ(content, TransparencyContent::current());  // built afresh, the same each time
  std::vector<std::pair<int, std::string>> heads;
  for (const auto& s : content.sections) heads.emplace_back(s.id, s.title);
  EXPECT_EQ(heads, (std::vector<std::pair<int, std::string>>{{0, "Evidence, not guesswork"},
                                                             {1, "Four confidence tiers"},
                                                             {2, "What can reach Safe to Remove"},
                                                             {3, "Protected and running overrides"},
                                                             {4, "Orphans stay conservative"},
                                                             {5, "Nothing leaves without your say-so"},
                                                             {6, "Private by design"}}));
  ASSERT_EQ(content.sections.size(), 7u);
  EXPECT_EQ(content.sections[0].body,
            "Every match is scored from explicit evidence. An exact bundle or signing identifier in an app-scoped "
            "location carries the most weight; app-name similarity is weaker. Modification age adds only 3 "
            "supporting points, and only after about 180 days. Age can never establish safety on its own.");
  EXPECT_EQ(content.sections[2].body,
            "An item is marked Safe to Remove only when it has an EXACT identity match, scores at least 75, and is a "
            "user-owned kind (app bundle, caches, preferences, containers, app scripts, and plug-ins). Shared or "
            "low-value data such as logs, web data, and saved state stays at Probably Leftover even with an exact "
            "match.");
  EXPECT_EQ(content.sections[3].body,
            "System-level locations are never automatically Safe. They cap at Probably Leftover (from a score of 65) "
            "and stay non-selectable, with a note that macOS requires an administrator. If the app is running, every "
            "related item is held In Use until you quit it.");
  EXPECT_EQ(content.sections[6].body,
            "Corvane needs no account and collects no telemetry. Every analysis runs on your Mac, and the uninstall "
            "history is kept only on your Mac, in your own Library folder; nothing is sent anywhere.");
}

}  // namespace
}  // namespace corvane
