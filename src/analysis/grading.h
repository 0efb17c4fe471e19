#pragma once
// The numbers that grade a finding. The tier rule, the analyzer and the explanation shown to people all
// read them from here, so they can never disagree.

namespace corvane::grading {

// Scores are sums of evidence weights, capped here.
inline constexpr int kMaximumScore = 100;

// Lowest score that may reach "Safe to Remove" (with an exact identity signal and an eligible kind).
inline constexpr int kSafeToRemoveMinimumScore = 75;
// Lowest score for "Probably Leftover" in an ordinary location.
inline constexpr int kProbablyLeftoverMinimumScore = 52;
// Lowest score for "Probably Leftover" in a protected (system-level) location.
inline constexpr int kProtectedProbablyLeftoverMinimumScore = 65;

// An item untouched for this many days gains this many supporting points.
inline constexpr int kAgeEvidencePoints = 3;
inline constexpr int kAgeThresholdDays = 180;

// A sum of weights, capped at kMaximumScore.
constexpr int cappedScore(int score) { return score > kMaximumScore ? kMaximumScore : score; }

}  // namespace corvane::grading
