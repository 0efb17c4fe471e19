#pragma once
// The extended matching's rules for a name as data: each rule is one row (its name, the most it may reach,
// the kind of evidence, the weight, the evidence sentence and the predicate), read in order; the first
// that holds speaks for the item. Changing a rule means changing its row and its test case; the weights
// and thresholds sit in extended_weights.h.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "analysis/extended_facts.h"
#include "corvane/model/file_finding.h"

namespace corvane::ExtendedMatching {

// What the rules see of one item.
struct Item {
  const Url& url;
  std::string stem;                  // the name without its extension, or a bundle's
  std::optional<std::string> team;   // the name behind a developer-team prefix
  // The identifier a wrapper names: behind the "iCloud." of a document container, or the
  // "regid.<date>." of a software tag.
  std::optional<std::string> wrapped;
  // The path below the search location's folder; empty for an item judged apart from a walk.
  std::string_view below;
  FindingKind kind = FindingKind::other;  // the kind of its search location
  // For the strong rules: the name behind the app's own team prefix, a wrapper and "group."; and whether
  // the name carries another team's prefix, which no strong rule accepts.
  std::string identifierForm;
  bool foreignTeam = false;

  Item(const Url& url, const AppFacts& app, std::string_view below, FindingKind kind = FindingKind::other);
};

// How far a rule's finding may go.
enum class Reach { review, probablyLeftover };

// What a rule fills into its sentence: "{app}" is the application name, "{team}" the developer team of its
// signature, "{1}" and "{2}" what the rule found.
struct Fills {
  std::string first, second;
};

struct Rule {
  std::string_view name;
  Reach reach;
  EvidenceKind kind;
  int weight;
  std::string_view sentence;
  std::optional<Fills> (*holds)(const AppFacts&, const Item&);
};

// The rules, in the order they are read: the strong ones, then those held at Review.
std::span<const Rule> rules();
// Those held at Review alone (extended_review_rules.cpp).
std::span<const Rule> reviewRules();
// The first rule of `reach` that holds for the item, and its evidence; none when none holds.
struct Holding {
  const Rule* rule;
  MatchEvidence evidence;
};
std::optional<Holding> firstHolding(Reach reach, const AppFacts& app, const Item& item);

}  // namespace corvane::ExtendedMatching
