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

}  // namespace
}  // namespace corvane
