#include "analysis/extended_matching.h"

#include <algorithm>
#include <array>

#include "analysis/common_words.h"
#include "analysis/extended_text.h"
#include "corvane/analysis/match_engine.h"
#include "platform/unicode.h"

namespace corvane::ExtendedMatching {

using namespace text;
using IdentifierMatch = MatchEngine::IdentifierMatch;

Matcher::Matcher(const AppIdentity& identity, const std::vector<AppIdentity>& coInstalled)
    : facts_(AppFacts::of(identity, coInstalled)) {
  const AppFacts& a = facts_;
  // What mayMatch() looks for: every text a rule compares, minus those that hold a shorter one.
  std::vector<std::string> wanted = {a.name, a.shortened, a.product, a.vendor, a.nameStem, a.firstWord,
                                     MatchEngine::normalized(identity.name)};
  for (const auto& t : a.targets) wanted.push_back(alnumLower(t));
  const auto own = labels(identity.bundleIdentifier.value_or(""));
  for (std::size_t i = 2; i < own.size(); ++i)
    if (own[i].size() >= kShortNameLength) wanted.push_back(alnumLower(own[i]));
  std::erase_if(wanted, [](const std::string& w) { return w.empty(); });
  std::sort(wanted.begin(), wanted.end(), [](const std::string& x, const std::string& y) { return x.size() < y.size(); });
  for (const auto& w : wanted)
    if (std::none_of(needles_.begin(), needles_.end(), [&](const std::string& n) { return w.find(n) != std::string::npos; }))
      needles_.push_back(w);
}

bool Matcher::mayMatch(std::string_view name) const {
  // Perhaps a developer-team prefix: ten letters or digits and a dot.
  if (name.size() > kTeamLength + 1 && name[kTeamLength] == '.' &&
      std::all_of(name.begin(), name.begin() + kTeamLength, [](char c) { return isAlnum(c); }))
    return true;
  char letters[256];  // a Mac file name holds at most 255 bytes
  if (name.size() > sizeof letters) return true;
  std::size_t count = 0;
  for (char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;  // folding may make it any letters
    letters[count] = isUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
    count += isAlnum(c) ? 1 : 0;
  }
  const std::string_view folded(letters, count);
  return std::any_of(needles_.begin(), needles_.end(),
                     [&](const std::string& n) { return folded.find(n) != std::string_view::npos; });
}

std::optional<MatchEvidence> Matcher::assessHomeItem(std::string_view name, std::string_view where) const {
  // The folders every home has belong to the user, whatever app shares their name.
  static constexpr std::array<std::string_view, 11> kUsersOwn = {
      "Applications", "Desktop", "Documents", "Downloads", "Library", "Movies",
      "Music",        "Pictures", "Public",   "Sites",     "Developer"};
  if (among(kUsersOwn, name)) return std::nullopt;
  std::string_view bare = name;
  if (!bare.empty() && bare.front() == '.') bare.remove_prefix(1);
  const std::string letters = alnumLower(bare);
  if (letters.empty()) return std::nullopt;
  const bool exact = letters == facts_.name || (!facts_.nameStem.empty() && letters == facts_.nameStem) ||
                     (!facts_.shortened.empty() && letters == facts_.shortened);
  if (!exact && bare.size() != name.size()) {
    // A hidden item named for a label of the app's identifier that is neither the top-level domain nor
    // an everyday word (".macvirt" for dev.kdrag0n.MacVirt).
    const auto parts = facts_.identity.bundleIdentifier ? labels(*facts_.identity.bundleIdentifier) : std::vector<std::string>{};
    for (std::size_t i = 1; i < parts.size(); ++i) {
      if (parts[i] != platform::lowercased(bare) || parts[i].size() < kShortNameLength || isCommonWord(alnumLower(parts[i])))
        continue;
      return MatchEvidence(EvidenceKind::relatedComponent,
                           "Named exactly for the label " + parts[i] + " of this app's identifier " + std::string(where) +
                               "; held at Review because apps do not record such folders.",
                           kQualifiedNameWeight);
    }
  }
  if (!exact && !facts_.productLine.empty() && letters == facts_.productLine)
    return MatchEvidence(EvidenceKind::appName,
                         "Named exactly for this app's product line " +
                             facts_.identity.name.substr(0, alnumPrefixLength(facts_.identity.name, facts_.productLine)) + " " +
                             std::string(where) + "; held at Review because apps do not record such folders.",
                         kQualifiedNameWeight);
  if (!exact || (facts_.name.size() < kShortNameLength && bare.size() != facts_.name.size())) return std::nullopt;
  return MatchEvidence(EvidenceKind::appName,
                       "Named exactly for the application name " + facts_.identity.name + " " + std::string(where) +
                           "; held at Review because apps do not record such folders.",
                       kQualifiedNameWeight);
}

std::optional<MatchEvidence> Matcher::assessExtension(std::string_view name) const {
  const auto dot = name.rfind('.');
  const std::string_view stem = name.substr(0, dot == std::string_view::npos ? name.size() : dot);
  if (facts_.name.size() < kShortNameLength || occurrence(stem, facts_.name) < Claim::wholeWord) return std::nullopt;
  return MatchEvidence(EvidenceKind::appName,
                       "A browser extension named for the application name " + facts_.identity.name + "; held at Review.",
                       kQualifiedNameWeight);
}

bool Matcher::isVendorFolder(std::string_view name) const { return ExtendedMatching::isVendorFolder(facts_, name); }

std::optional<MatchEvidence> Matcher::assess(const Url& url, std::string_view below) const {
  auto holding = firstHolding(Reach::review, facts_, Item(url, facts_, below));
  return holding ? std::optional<MatchEvidence>(std::move(holding->evidence)) : std::nullopt;
}

std::optional<MatchEvidence> Matcher::strong(const Url& url, std::string_view below, FindingKind kind) const {
  auto holding = firstHolding(Reach::probablyLeftover, facts_, Item(url, facts_, below, kind));
  return holding ? std::optional<MatchEvidence>(std::move(holding->evidence)) : std::nullopt;
}

std::optional<std::string> Matcher::runTogether(const Url& url) const { return ExtendedMatching::runTogether(facts_, url); }

std::optional<MatchEvidence> Matcher::distinctiveName(const Url& url) const {
  if (facts_.name.size() < kShortNameLength || facts_.commonWord || facts_.nameShared || alnumLower(stemOf(url)) != facts_.name) return std::nullopt;
  return MatchEvidence(EvidenceKind::appName,
                       "The application name " + facts_.identity.name +
                           " is no word of everyday language and no other installed app's name, so an item named "
                           "exactly for it is this app's.",
                       kDistinctiveNameWeight);
}

Claim Matcher::claim(const AppIdentity& identity, const Url& url) {
  Claim best = Claim::none;
  switch (MatchEngine::ownershipLevel(url, identity)) {
    case IdentifierMatch::exact: return Claim::exactIdentifier;
    case IdentifierMatch::family: best = Claim::wholeWord; break;
    case IdentifierMatch::none: break;
  }
  const std::string stem = stemOf(url);
  if (auto team = withoutTeamPrefix(stem)) {
    for (const auto& t : targetsOf(identity)) {
      const auto m = MatchEngine::identifierMatch(*team, t);
      if (m == IdentifierMatch::exact) return Claim::exactIdentifier;
      if (m == IdentifierMatch::family) best = std::max(best, Claim::wholeWord);
    }
  }
  const std::string name = alnumLower(identity.name);
  Claim byName = occurrence(stem, name);
  if (name.size() < kShortNameLength && byName == Claim::fragment) byName = Claim::none;
  return std::max(best, byName);
}

bool Matcher::claimedByPeer(const Url& url, Claim own) const {
  return std::any_of(facts_.peers.begin(), facts_.peers.end(), [&](const AppIdentity& peer) {
    const Claim c = claim(peer, url);
    return c > own && c >= Claim::wholeWord;
  });
}

bool Matcher::isOtherChannel(const Url& url) const {
  const std::string stem = alnumLower(stemOf(url));
  if (facts_.name.empty() || !startsWith(stem, facts_.name)) return false;
  return among(kChannels, std::string_view(stem).substr(facts_.name.size()));
}

}  // namespace corvane::ExtendedMatching
