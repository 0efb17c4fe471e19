// Gathering what is known of one candidate path found in a search location, then scoring it
// (analysis/candidate_scoring.h) and arbitrating it against the co-installed apps.

#include <algorithm>

#include "analysis/candidate_scoring.h"
#include "analysis/item_grading.h"
#include "analysis/location_assessments.h"
#include "corvane/analysis/app_analyzer.h"
#include "corvane/platform/file_system.h"
#include "platform/unicode.h"

namespace corvane {

namespace {

using IdentifierMatch = MatchEngine::IdentifierMatch;

int levelRank(IdentifierMatch m) { return m == IdentifierMatch::exact ? 2 : m == IdentifierMatch::family ? 1 : 0; }

bool claimsGroup(const AppIdentity& identity, const std::string& lowerName) {
  if (!identity.applicationGroups) return false;
  return std::any_of(identity.applicationGroups->begin(), identity.applicationGroups->end(),
                     [&](const std::string& g) { return platform::lowercased(g) == lowerName; });
}

}  // namespace

AppAnalyzer::Arbitration AppAnalyzer::arbitrate(const Url& url, const AppIdentity& identity,
                                                const std::vector<AppIdentity>& coInstalled, bool groupContainer,
                                                const std::vector<std::string>& extraCandidates) const {
  const std::string name = platform::lowercased(url.lastPathComponent());
  auto groupRank = [&](const AppIdentity& id) { return groupContainer && claimsGroup(id, name) ? 2 : 0; };
  const int targetRank =
      std::max(groupRank(identity), levelRank(MatchEngine::ownershipLevel(url, identity, extraCandidates)));
  Arbitration result;
  for (const auto& peer : coInstalled) {
    if (groupRank(peer) == 2) return Arbitration{true, false};
    IdentifierMatch level = MatchEngine::ownershipLevel(url, peer, extraCandidates);
    if (level == IdentifierMatch::none) continue;
    int peerRank = levelRank(level);
    if (peerRank > targetRank) return Arbitration{true, false};
    if (peerRank == targetRank) {
      if (level == IdentifierMatch::exact) return Arbitration{true, false};
      result.capReview = true;
    }
  }
  return result;
}

std::optional<FileFinding> AppAnalyzer::evaluate(const Url& url, const SearchLocation& location,
                                                 const AppIdentity& identity, const Url& appURL, bool running,
                                                 const std::vector<AppIdentity>& coInstalled,
                                                 const std::vector<SystemExtensionRecord>& catalog,
                                                 bool isFile) const {
  CandidateScoring::IdentityFacts facts;
  facts.kind = location.kind;
  facts.isProtected = location.isProtected;
  std::vector<std::string> extra;  // owner candidates beyond the path, for arbitration

  auto take = [&](std::optional<LocationAssessments::Assessment> a) {
    if (!a) return false;
    facts.evidence = std::move(a->evidence);
    facts.score = a->score;
    facts.exact = a->exact;
    extra = std::move(a->ownerCandidates);
    return true;
  };

  switch (location.mode) {
    case MatchMode::identifier:
    case MatchMode::groupContainer: {
      auto a = MatchEngine::assess(url, identity, location.kind);
      facts.evidence = std::move(a.evidence);
      facts.score = a.score;
      facts.exact = a.hasExactIdentitySignal;
      facts.claimsGroup = location.mode == MatchMode::groupContainer &&
                          claimsGroup(identity, platform::lowercased(url.lastPathComponent()));
      break;
    }
    case MatchMode::plugin:
      if (!take(LocationAssessments::pluginAssessment(
              *machine.fileSystem, url, identity, location.kind == FindingKind::framework ? "framework" : "plug-in")))
        return std::nullopt;
      break;
    case MatchMode::byHost:
      if (!take(LocationAssessments::byHostAssessment(url, identity))) return std::nullopt;
      break;
    case MatchMode::recentDocuments:
      if (!take(LocationAssessments::recentDocumentsAssessment(url, identity))) return std::nullopt;
      break;
    case MatchMode::systemExtension: {
      const std::string ext = platform::lowercased(url.pathExtension());
      if (!systemExtensionExtensions.count(ext)) return std::nullopt;
      if (!take(LocationAssessments::systemExtensionAssessment(*machine.fileSystem, url, identity, appURL, catalog, layout))) return std::nullopt;
      break;
    }
  }

  if (location.kind == FindingKind::container && !isFile) {
    if (auto owner = LocationAssessments::containerRecordedOwner(*machine.fileSystem, url)) {
      extra = {*owner};
      facts.containerOwnerMatch = LocationAssessments::bestOwnerMatch(*owner, identity);
      facts.containerOwner = std::move(owner);
    }
  }
  if (location.kind == FindingKind::launchAgent || location.kind == FindingKind::launchDaemon)
    facts.launchEvidence = LocationAssessments::launchEvidence(*machine.fileSystem, url, identity, appURL, location.isProtected, layout);

  auto weighing = CandidateScoring::weigh(std::move(facts));
  if (!weighing) return std::nullopt;

  // Only an item whose identity evidence holds up is compared with the other apps and looked at on disk.
  return gradeOnDisk(machine, url, location, std::move(*weighing),
                     arbitrate(url, identity, coInstalled, location.kind == FindingKind::groupContainer, extra), running);
}

std::optional<FileFinding> gradeOnDisk(const AppAnalyzer::Collaborators& machine, const Url& url,
                                       const AppAnalyzer::SearchLocation& location,
                                       CandidateScoring::Weighing weighing, AppAnalyzer::Arbitration arbitration,
                                       bool running) {
  CandidateScoring::ItemFacts item;
  item.arbitration = arbitration;
  auto st = machine.fileSystem->linkStatus(url.path());
  std::optional<std::int64_t> size;
  if (st.has_value()) {
    item.modifiedAt = Date{std::chrono::seconds{st->modifiedSeconds}};
    size = st->allocatedSize;
  }
  item.now = machine.now();
  item.running = running;
  item.requiresAdministrator = machine.requiresAdministrator(url);

  auto graded = CandidateScoring::grade(std::move(weighing), location.kind, location.isProtected, item);
  if (!graded) return std::nullopt;
  return FileFinding::make(url, location.kind, graded->tier, graded->score, std::move(graded->evidence), size,
                           item.modifiedAt, location.isProtected, std::nullopt,
                           valueIfAny(machine.fileSystem->diskIdentity(url.path())));
}

}  // namespace corvane
