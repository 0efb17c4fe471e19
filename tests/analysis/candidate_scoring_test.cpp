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

TEST(CandidateScoringTest, FactsGiveTheScoreTierAndEvidence) {
  struct Case {
    const char* name;
    IdentityFacts identity;
    ItemFacts item;
    std::optional<int> score;  // none: not reported
    C tier;
    std::vector<EvidenceKind> kinds;
  };
  const ItemFacts plain{.now = kNow};
  const Case cases[] = {
      {"exact cache", {.kind = F::cache, .evidence = {ev(K::bundleIdentifier, 70), ev(K::location, 12)}, .score = 82,
                       .exact = true}, plain, 82, C::safeToRemove, {K::bundleIdentifier, K::location}},
      {"noise", {.kind = F::cache, .evidence = {ev(K::location, 12)}, .score = 12}, plain, std::nullopt, C::review, {}},
      {"claimed group, capped", {.kind = F::groupContainer, .evidence = {ev(K::teamIdentifier, 35)}, .score = 35,
                                 .claimsGroup = true},
       plain, 100, C::probablyLeftover, {K::teamIdentifier, K::applicationGroup}},
      {"team only", {.kind = F::groupContainer, .evidence = {ev(K::teamIdentifier, 35)}, .score = 35}, plain, 35,
       C::review, {K::teamIdentifier, K::sharedOwnership}},
      {"recorded owner", {.kind = F::container, .evidence = {ev(K::location, 12)}, .score = 12,
                          .containerOwner = "com.example.app", .containerOwnerMatch = M::exact},
       plain, 82, C::safeToRemove, {K::location, K::bundleIdentifier}},
      {"owner family", {.kind = F::container, .evidence = {ev(K::location, 12)}, .score = 12,
                        .containerOwner = "com.example.app.helper", .containerOwnerMatch = M::family},
       plain, 67, C::probablyLeftover, {K::location, K::relatedComponent}},
      {"owner after an identifier", {.kind = F::container, .evidence = {ev(K::bundleIdentifier, 70)}, .score = 70,
                                     .exact = true, .containerOwner = "com.example.app", .containerOwnerMatch = M::exact},
       plain, 70, C::probablyLeftover, {K::bundleIdentifier}},
      {"protected daemon", {.kind = F::launchDaemon, .isProtected = true,
                            .evidence = {ev(K::bundleIdentifier, 70), ev(K::appName, 42)}, .score = 100, .exact = true,
                            .launchEvidence = {ev(K::launchDefinition, 45)}},
       plain, 100, C::probablyLeftover, {K::bundleIdentifier, K::launchDefinition, K::requiresAdministrator}},
      {"user agent", {.kind = F::launchAgent, .evidence = {ev(K::appName, 26)}, .score = 26,
                      .launchEvidence = {ev(K::launchDefinition, 30)}},
       plain, 56, C::probablyLeftover, {K::appName, K::launchDefinition}},
      {"owned by a peer", {.kind = F::cache, .evidence = {ev(K::bundleIdentifier, 70)}, .score = 70, .exact = true},
       {.arbitration = {.suppress = true}, .now = kNow}, std::nullopt, C::review, {}},
      {"shared with a peer", {.kind = F::cache, .evidence = {ev(K::bundleIdentifier, 70), ev(K::location, 12)},
                              .score = 82, .exact = true},
       {.arbitration = {.capReview = true}, .now = kNow}, 82, C::review,
       {K::bundleIdentifier, K::location, K::sharedOwnership}},
      {"old, running, needs an administrator",
       {.kind = F::cache, .evidence = {ev(K::bundleIdentifier, 70)}, .score = 70, .exact = true},
       {.modifiedAt = kNow - std::chrono::days{200}, .now = kNow, .running = true, .requiresAdministrator = true}, 73,
       C::inUse, {K::bundleIdentifier, K::modificationAge, K::runningProcess, K::requiresAdministrator}},
      {"system extension needs no administrator note",
       {.kind = F::systemExtension, .isProtected = true, .evidence = {ev(K::pluginOwnership, 80)}, .score = 80,
        .exact = true},
       {.now = kNow, .requiresAdministrator = true}, 80, C::probablyLeftover, {K::pluginOwnership}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto graded = CandidateScoring::score(c.identity, c.item);
    ASSERT_EQ(graded.has_value(), c.score.has_value());
    if (!graded) continue;
    EXPECT_EQ(graded->score, *c.score);
    EXPECT_EQ(graded->tier, c.tier);
    std::vector<EvidenceKind> kinds;
    for (const auto& e : graded->evidence) kinds.push_back(e.kind);
    EXPECT_EQ(kinds, c.kinds);
  }
}

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
