#pragma once
// How an item found in a Library location is scored and graded, as pure functions of what was found
// about it. AppAnalyzer::evaluate gathers the facts (it reads the item, its metadata, launch definitions
// and the co-installed apps' claims); nothing here reads a file or the clock.

#include <optional>
#include <string>
#include <vector>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/analysis/match_engine.h"
#include "corvane/base/date.h"
#include "corvane/model/file_finding.h"

namespace corvane::CandidateScoring {

// What ties the item to the app.
struct IdentityFacts {
  FindingKind kind = FindingKind::other;
  bool isProtected = false;  // found in a system-level location
  // The location's reader's evidence and score (the score is not always the plain sum of the weights),
  // and whether an exact identity signal is among it.
  std::vector<MatchEvidence> evidence;
  int score = 0;
  bool exact = false;
  bool claimsGroup = false;                   // a group container the app's entitlements name
  std::optional<std::string> containerOwner;  // the owner a container's metadata records
  MatchEngine::IdentifierMatch containerOwnerMatch = MatchEngine::IdentifierMatch::none;
  std::vector<MatchEvidence> launchEvidence = {};  // what a launch definition says (launch agents and daemons)
};

// What the co-installed apps claim, what the item is on disk and what the app is doing; gathered only
// for an item whose identity evidence holds up.
struct ItemFacts {
  AppAnalyzer::Arbitration arbitration = {};
  std::optional<Date> modifiedAt = {};
  Date now = {};
  bool running = false;
  bool requiresAdministrator = false;
};

struct Weighing {
  std::vector<MatchEvidence> evidence;
  int score = 0;
  bool exact = false;
  bool teamOnly = false;  // a group container tied to the app by its developer team alone
};

struct Grading {
  std::vector<MatchEvidence> evidence;
  int score = 0;
  FindingConfidence tier = FindingConfidence::review;
};

// The identity evidence summed; none when it is too weak to tie the item to the app.
std::optional<Weighing> weigh(IdentityFacts facts);
// The notes (shared ownership, age, running, administrator) added and the tier decided; none when another
// installed app owns the item.
std::optional<Grading> grade(Weighing weighing, FindingKind kind, bool isProtected, const ItemFacts& item);
// Both steps.
std::optional<Grading> score(IdentityFacts identity, const ItemFacts& item);

}  // namespace corvane::CandidateScoring
