#pragma once
// The one place evidence is added up: a finding's score is the sum of its evidence's weights, capped at
// grading::kMaximumScore.

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "analysis/grading.h"
#include "corvane/model/file_finding.h"

namespace corvane {

class EvidenceTally {
 public:
  EvidenceTally() = default;
  // Goes on from evidence an earlier step has already scored. Its score may be below the plain sum: a
  // reader that found several signals may count only its strongest.
  EvidenceTally(std::vector<MatchEvidence> evidence, int score)
      : evidence_(std::move(evidence)), score_(grading::cappedScore(score)) {}

  // Appends the evidence and adds its weight (a weight of 0 is a note that does not move the score).
  void add(MatchEvidence evidence) {
    score_ = grading::cappedScore(score_ + evidence.weight);
    evidence_.push_back(std::move(evidence));
  }
  void add(EvidenceKind kind, std::string explanation, int weight) {
    add(MatchEvidence(kind, std::move(explanation), weight));
  }

  // Keeps only the evidence `keep` accepts and scores what is left as its plain sum.
  template <class Keep>
  void keepOnly(Keep keep) {
    std::erase_if(evidence_, [&](const MatchEvidence& e) { return !keep(e); });
    score_ = 0;
    for (const auto& e : evidence_) score_ = grading::cappedScore(score_ + e.weight);
  }

  bool has(std::initializer_list<EvidenceKind> kinds) const {
    return std::any_of(evidence_.begin(), evidence_.end(), [&](const MatchEvidence& e) {
      return std::find(kinds.begin(), kinds.end(), e.kind) != kinds.end();
    });
  }

  int score() const { return score_; }
  const std::vector<MatchEvidence>& evidence() const { return evidence_; }
  std::vector<MatchEvidence> takeEvidence() { return std::move(evidence_); }

 private:
  std::vector<MatchEvidence> evidence_;
  int score_ = 0;
};

}  // namespace corvane
