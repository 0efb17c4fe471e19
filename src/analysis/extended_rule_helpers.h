#pragma once
// What the rule predicates of the extended matching share: the rows' vocabulary and the tests several
// rules make of one item (extended_rules.cpp, extended_review_rules.cpp).

#include <optional>
#include <string>
#include <utility>

#include "analysis/common_words.h"
#include "analysis/extended_rules.h"
#include "analysis/extended_text.h"
#include "platform/unicode.h"

namespace corvane::ExtendedMatching::rule_support {

using namespace text;
using IdentifierMatch = MatchEngine::IdentifierMatch;
using Found = std::optional<Fills>;
inline constexpr Found kNo = std::nullopt;
inline constexpr Reach kProbably = Reach::probablyLeftover, kReview = Reach::review;
using K = EvidenceKind;

// The first of the app's identifiers that the name behind a team prefix matches, and how.
inline std::pair<IdentifierMatch, std::string> teamMatch(const AppFacts& app, const Item& item) {
  if (item.team)
    for (const auto& t : app.targets)
      if (const auto m = MatchEngine::identifierMatch(*item.team, t); m != IdentifierMatch::none) return {m, t};
  return {IdentifierMatch::none, {}};
}

// The app's identifier followed directly by a capitalised word, in `form`.
inline Found identifierAndWord(const AppFacts& app, std::string_view form) {
  const std::string lowered = platform::lowercased(form);
  for (const auto& t : app.targets)
    if (lowered.size() > t.size() && startsWith(lowered, t) && isUpper(form[t.size()]))
      return Fills{t, std::string(form.substr(t.size()))};
  return kNo;
}

// The name behind a team prefix is the app's identifier, or a member of its family.
inline Found identifierBehindTeam(const AppFacts& app, const Item& item) {
  const auto [m, t] = teamMatch(app, item);
  return m == IdentifierMatch::exact ? Found(Fills{t, {}}) : kNo;
}
inline Found familyBehindTeam(const AppFacts& app, const Item& item) {
  const auto [m, t] = teamMatch(app, item);
  return m == IdentifierMatch::family ? Found(Fills{t, {}}) : kNo;
}

inline bool underVendorPrefix(const AppFacts& app, const std::string& lowered) {
  return !app.vendorPrefix.empty() && (lowered == app.vendorPrefix || startsWith(lowered, app.vendorPrefix + "."));
}

// Applies `test` to the name as written, behind a team prefix and inside a wrapper, the first that holds.
template <typename Test>
Found inEachForm(const Item& item, Test test, bool wrapped = true) {
  if (auto found = test(item.stem)) return found;
  for (const std::optional<std::string>* form : {&item.team, wrapped ? &item.wrapped : nullptr})
    if (form && *form)
      if (auto found = test(**form)) return found;
  return kNo;
}

}  // namespace corvane::ExtendedMatching::rule_support
