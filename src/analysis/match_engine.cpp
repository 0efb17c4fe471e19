#include "corvane/analysis/match_engine.h"

#include <algorithm>

#include "analysis/evidence_tally.h"
#include "platform/unicode.h"
#include "base/utf8.h"

namespace corvane {

namespace {

using IdentifierMatch = MatchEngine::IdentifierMatch;

// Kinds of location whose items belong to one app by construction.
constexpr std::array<FindingKind, 6> kAppScopedLocationKinds = {
    FindingKind::cache,    FindingKind::preference, FindingKind::container,
    FindingKind::savedState, FindingKind::webData,  FindingKind::appScript,
};

constexpr int kExactBundleIdentifierWeight = 70;
constexpr int kBundleIdentifierFamilyWeight = 55;
constexpr int kExactSigningIdentifierWeight = 60;
constexpr int kSigningIdentifierFamilyWeight = 48;
constexpr int kNameEqualsWeight = 42;
constexpr int kNameContainsWeight = 26;
constexpr int kTeamIdentifierWeight = 35;
constexpr int kLocationWeight = 12;

bool present(const std::optional<std::string>& value) { return value && !value->empty(); }

// Both arguments already lower-cased.
IdentifierMatch compareLowered(std::string_view candidate, std::string_view target) {
  if (candidate.empty() || target.empty()) return IdentifierMatch::none;
  if (candidate == target) return IdentifierMatch::exact;
  if (candidate.size() > target.size() && candidate.substr(0, target.size()) == target) {
    char next = candidate[target.size()];
    if (next == '.' || next == '-' || next == '_') return IdentifierMatch::family;
  }
  return IdentifierMatch::none;
}

std::vector<std::string> loweredAll(const std::vector<std::string>& values) {
  std::vector<std::string> out;
  out.reserve(values.size());
  for (const auto& v : values) out.push_back(platform::lowercased(v));
  return out;
}

// First exact wins; otherwise family when any candidate is family.
IdentifierMatch bestMatch(const std::vector<std::string>& loweredCandidates, std::string_view loweredTarget) {
  bool family = false;
  for (const auto& candidate : loweredCandidates) {
    IdentifierMatch m = compareLowered(candidate, loweredTarget);
    if (m == IdentifierMatch::exact) return m;
    if (m == IdentifierMatch::family) family = true;
  }
  return family ? IdentifierMatch::family : IdentifierMatch::none;
}

// The file name with whatever extension it has removed.
std::string stemOf(const Url& url) {
  std::string name = url.lastPathComponent();
  std::string extension = url.pathExtension();
  if (!extension.empty()) name.resize(name.size() - extension.size() - 1);
  return name;
}

std::string locationSentence(FindingKind kind) {
  std::string text(stringValue(kind));
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return "This is an app-scoped " + text + " location.";
}

}  // namespace

bool MatchEngine::isStrippableExtension(std::string_view extension) {
  std::string lowered = platform::lowercased(extension);
  return std::find(strippableExtensions.begin(), strippableExtensions.end(), lowered) !=
         strippableExtensions.end();
}

std::string MatchEngine::normalized(std::string_view text) { return platform::foldedAlphanumerics(text); }

std::vector<std::string> MatchEngine::identifierCandidates(const Url& url) {
  std::string name = url.lastPathComponent();
  std::vector<std::string> components = url::pathComponents(url.path());
  std::vector<std::string> candidates;
  candidates.reserve(components.size() + 2);

  std::string extension = url.pathExtension();
  if (!extension.empty() && isStrippableExtension(extension)) {
    candidates.push_back(name.substr(0, name.size() - extension.size() - 1));
  } else {
    candidates.push_back(name);
  }
  candidates.push_back(name);
  for (auto& component : components) candidates.push_back(std::move(component));
  return candidates;
}

MatchEngine::IdentifierMatch MatchEngine::identifierMatch(std::string_view candidate, std::string_view target) {
  if (candidate.empty() || target.empty()) return IdentifierMatch::none;
  return compareLowered(platform::lowercased(candidate), platform::lowercased(target));
}

MatchEngine::IdentifierMatch MatchEngine::ownershipLevel(const Url& url, const AppIdentity& identity,
                                                         const std::vector<std::string>& extraCandidates) {
  std::vector<std::string> targets;
  for (const auto* identifier : {&identity.bundleIdentifier, &identity.signingIdentifier}) {
    if (present(*identifier)) targets.push_back(platform::lowercased(**identifier));
  }
  if (targets.empty()) return IdentifierMatch::none;

  std::vector<std::string> candidates = identifierCandidates(url);
  candidates.insert(candidates.end(), extraCandidates.begin(), extraCandidates.end());
  candidates = loweredAll(candidates);

  bool family = false;
  for (const auto& target : targets) {
    IdentifierMatch m = bestMatch(candidates, target);
    if (m == IdentifierMatch::exact) return m;
    if (m == IdentifierMatch::family) family = true;
  }
  return family ? IdentifierMatch::family : IdentifierMatch::none;
}

MatchEngine::Assessment MatchEngine::assess(const Url& url, const AppIdentity& identity, FindingKind kind) {
  Assessment result;
  EvidenceTally tally;
  bool exact = false;
  bool family = false;
  bool nameMatched = false;
  bool team = false;

  const std::vector<std::string> candidates = identifierCandidates(url);
  const std::vector<std::string> lowered = loweredAll(candidates);

  if (present(identity.bundleIdentifier)) {
    const std::string& identifier = *identity.bundleIdentifier;
    switch (bestMatch(lowered, platform::lowercased(identifier))) {
      case IdentifierMatch::exact:
        tally.add(EvidenceKind::bundleIdentifier,
                                     "Named exactly for this app's bundle identifier " + identifier + ".",
                                     kExactBundleIdentifierWeight);
        exact = true;
        break;
      case IdentifierMatch::family:
        tally.add(
            EvidenceKind::relatedComponent,
            "Part of this app's identifier family - a helper or component of " + identifier + ".",
            kBundleIdentifierFamilyWeight);
        family = true;
        break;
      case IdentifierMatch::none:
        break;
    }
  }

  if (present(identity.signingIdentifier)) {
    const std::string& identifier = *identity.signingIdentifier;
    const std::string loweredIdentifier = platform::lowercased(identifier);
    const bool sameAsBundle =
        identity.bundleIdentifier && platform::lowercased(*identity.bundleIdentifier) == loweredIdentifier;
    if (!sameAsBundle) {
      switch (bestMatch(lowered, loweredIdentifier)) {
        case IdentifierMatch::exact:
          tally.add(EvidenceKind::signingIdentifier,
                                       "Named exactly for this app's signing identifier " + identifier + ".",
                                       kExactSigningIdentifierWeight);
          exact = true;
          break;
        case IdentifierMatch::family:
          tally.add(EvidenceKind::relatedComponent,
                                       "Part of this app's signing-identifier family (" + identifier + ").",
                                       kSigningIdentifierFamilyWeight);
          family = true;
          break;
        case IdentifierMatch::none:
          break;
      }
    }
  }

  const std::string appName = normalized(identity.name);
  if (platform::characterCount(appName) >= MatchEngine::minimumNameLength) {
    const std::string fileName = normalized(stemOf(url));
    if (fileName == appName) {
      tally.add(EvidenceKind::appName, "The filename exactly matches the application name.",
                                   kNameEqualsWeight);
      nameMatched = true;
    } else if (fileName.find(appName) != std::string::npos) {
      tally.add(EvidenceKind::appName, "The filename contains the normalized application name.",
                                   kNameContainsWeight);
      nameMatched = true;
    }
  }

  if (kind == FindingKind::groupContainer && identity.teamIdentifier) {
    const std::string teamIdentifier = platform::lowercased(*identity.teamIdentifier);
    if (!teamIdentifier.empty()) {
      for (const auto& candidate : lowered) {
        if (candidate.find(teamIdentifier) == std::string::npos) continue;
        tally.add(EvidenceKind::teamIdentifier,
                                     "This group container carries developer team ID " + teamIdentifier +
                                         "; team IDs can be shared across a vendor's apps.",
                                     kTeamIdentifierWeight);
        team = true;
        break;
      }
    }
  }

  if (std::find(kAppScopedLocationKinds.begin(), kAppScopedLocationKinds.end(), kind) !=
      kAppScopedLocationKinds.end()) {
    tally.add(EvidenceKind::location, locationSentence(kind), kLocationWeight);
  }

  result.score = tally.score();
  result.evidence = tally.takeEvidence();
  result.hasExactIdentitySignal = exact;
  result.sharedTeamOnly = team && !exact && !family && !nameMatched;
  return result;
}

}  // namespace corvane
