// The scoring of one candidate from gathered facts alone: no folder, no clock.
#include "analysis/candidate_scoring.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using K = EvidenceKind;
using F = FindingKind;
using C = FindingConfidence;
using M = MatchEngine::IdentifierMatch;
using CandidateScoring::IdentityFacts;
using CandidateScoring::ItemFacts;

MatchEvidence ev(EvidenceKind kind, int weight) { return MatchEvidence(kind, "x", weight); }

const Date kNow = Date{std::chrono::seconds{1'800'000'000}};

TEST(CandidateScoringTest, RecordedOwnerAndAgeSentences) {
  IdentityFacts facts{.kind = F::container, .evidence = {ev(K::location, 12)}, .score = 12,
                      .containerOwner = "com.example.app", .containerOwnerMatch = M::exact};
  auto graded = CandidateScoring::score(facts, {.modifiedAt = kNow - std::chrono::days{181}, .now = kNow});
  ASSERT_TRUE(graded.has_value());
  ASSERT_EQ(graded->evidence.size(), 3u);
  EXPECT_EQ(graded->evidence[1].explanation,
            "This container's recorded owner (its containermanagerd metadata identifier com.example.app) is exactly "
            "this app's identifier.");
  EXPECT_EQ(graded->evidence[2].explanation, "Not modified for about 181 days; age is supporting evidence only.");
  EXPECT_EQ(graded->score, 85);
}

// The age threshold and the lowest score worth a finding, each at its value and one on each side; a
// signing-identifier name in a cache location with its age makes exactly the Safe to Remove threshold.
TEST(CandidateScoringTest, AgeAndTheLowestScoreAtTheirEdges) {
  struct Case {
    int weight;  // of the one identity evidence, beside a location's 12
    bool exact;
    int ageDays;
    std::optional<std::pair<int, C>> graded;
  } cases[] = {
      {60, true, 179, std::pair{72, C::probablyLeftover}},
      {60, true, 180, std::pair{75, C::safeToRemove}},
      {9, false, 0, std::nullopt},
      {10, false, 0, std::pair{22, C::review}},
      {9, true, 0, std::pair{21, C::review}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.weight) + " " + std::to_string(c.ageDays));
    IdentityFacts facts{.kind = F::cache, .evidence = {ev(K::signingIdentifier, c.weight), ev(K::location, 12)},
                        .score = c.weight + 12, .exact = c.exact};
    auto graded = CandidateScoring::score(facts, {.modifiedAt = kNow - std::chrono::days{c.ageDays}, .now = kNow});
    ASSERT_EQ(graded.has_value(), c.graded.has_value());
    if (graded) EXPECT_EQ(std::pair(graded->score, graded->tier), *c.graded);
  }
}

}  // namespace
}  // namespace corvane
