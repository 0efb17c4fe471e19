// Scoring, arbitration and grading of one candidate path found in a search location.

#include <algorithm>

#include "analysis/analyzer_texts.h"
#include "analysis/location_assessments.h"
#include "corvane/analysis/app_analyzer.h"
#include "corvane/analysis/evidence_classifier.h"
#include "analysis/grading.h"
#include "platform/file_system.h"
#include "platform/unicode.h"

namespace corvane {

namespace texts {

std::optional<MatchEvidence> ageEvidence(const std::optional<Date>& modifiedAt, Date now) {
  if (!modifiedAt) return std::nullopt;
  auto days = std::chrono::floor<std::chrono::days>(now - *modifiedAt).count();
  if (days < grading::kAgeThresholdDays) return std::nullopt;
  return MatchEvidence(EvidenceKind::modificationAge,
                       "Not modified for about " + std::to_string(days) + " days; age is supporting evidence only.",
                       grading::kAgeEvidencePoints);
}

}  // namespace texts

namespace {

using IdentifierMatch = MatchEngine::IdentifierMatch;

int levelRank(IdentifierMatch m) { return m == IdentifierMatch::exact ? 2 : m == IdentifierMatch::family ? 1 : 0; }

bool hasKind(const std::vector<MatchEvidence>& evidence, std::initializer_list<EvidenceKind> kinds) {
  return std::any_of(evidence.begin(), evidence.end(), [&](const MatchEvidence& e) {
    return std::find(kinds.begin(), kinds.end(), e.kind) != kinds.end();
  });
}

int sumOfWeights(const std::vector<MatchEvidence>& evidence) {
  int sum = 0;
  for (const auto& e : evidence) sum += e.weight;
  return grading::cappedScore(sum);
}

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
                                                 const std::vector<SystemExtensionRecord>& catalog) const {
  std::vector<MatchEvidence> evidence;
  int score = 0;
  bool exact = false;
  std::vector<std::string> extra;

  auto take = [&](std::optional<LocationAssessments::Assessment> a) {
    if (!a) return false;
    evidence = std::move(a->evidence);
    score = a->score;
    exact = a->exact;
    extra = std::move(a->ownerCandidates);
    return true;
  };

  switch (location.mode) {
    case MatchMode::identifier:
    case MatchMode::groupContainer: {
      auto a = MatchEngine::assess(url, identity, location.kind);
      evidence = std::move(a.evidence);
      score = a.score;
      exact = a.hasExactIdentitySignal;
      if (location.mode == MatchMode::groupContainer && claimsGroup(identity, platform::lowercased(url.lastPathComponent()))) {
        evidence.emplace_back(EvidenceKind::applicationGroup, texts::kApplicationGroup, 70);
        score = grading::cappedScore(score + 70);
        exact = true;
      }
      break;
    }
    case MatchMode::plugin:
      if (!take(LocationAssessments::pluginAssessment(
              url, identity, location.kind == FindingKind::framework ? "framework" : "plug-in")))
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
      if (!take(LocationAssessments::systemExtensionAssessment(url, identity, appURL, catalog, layout))) return std::nullopt;
      break;
    }
  }

  if (location.kind == FindingKind::container) {
    if (auto owner = LocationAssessments::containerRecordedOwner(url)) {
      extra = {*owner};
      if (!hasKind(evidence, {EvidenceKind::bundleIdentifier, EvidenceKind::signingIdentifier,
                              EvidenceKind::relatedComponent})) {
        auto match = LocationAssessments::bestOwnerMatch(*owner, identity);
        if (match == IdentifierMatch::exact) {
          evidence.emplace_back(EvidenceKind::bundleIdentifier,
                                "This container's recorded owner (its containermanagerd metadata identifier " +
                                    *owner + ") is exactly this app's identifier.",
                                70);
          score = grading::cappedScore(score + 70);
          exact = true;
        } else if (match == IdentifierMatch::family) {
          evidence.emplace_back(EvidenceKind::relatedComponent,
                                "This container's recorded owner " + *owner +
                                    " belongs to this app's identifier family - a helper or component.",
                                55);
          score = grading::cappedScore(score + 55);
        }
      }
    }
  }

  if (location.kind == FindingKind::launchAgent || location.kind == FindingKind::launchDaemon) {
    if (location.isProtected) {
      std::erase_if(evidence, [](const MatchEvidence& e) {
        return e.kind != EvidenceKind::bundleIdentifier && e.kind != EvidenceKind::signingIdentifier &&
               e.kind != EvidenceKind::location;
      });
      score = sumOfWeights(evidence);
    }
    for (auto& e : LocationAssessments::launchEvidence(url, identity, appURL, location.isProtected, layout)) {
      score = grading::cappedScore(score + e.weight);
      evidence.push_back(std::move(e));
    }
  }

  constexpr int kMinimumScore = 22;  // at or below 21 without an exact signal, a match is noise
  if (score < kMinimumScore && !exact) return std::nullopt;

  const bool teamOnly =
      location.kind == FindingKind::groupContainer &&
      !hasKind(evidence, {EvidenceKind::bundleIdentifier, EvidenceKind::signingIdentifier,
                          EvidenceKind::relatedComponent, EvidenceKind::applicationGroup,
                          EvidenceKind::pluginOwnership}) &&
      hasKind(evidence, {EvidenceKind::teamIdentifier});

  Arbitration arbitration =
      arbitrate(url, identity, coInstalled, location.kind == FindingKind::groupContainer, extra);
  if (arbitration.suppress) return std::nullopt;
  const bool reviewCap = arbitration.capReview || teamOnly;
  if (reviewCap) evidence.emplace_back(EvidenceKind::sharedOwnership, texts::kSharedOwnership, 0);

  auto st = fileSystem->linkStatus(url.path());
  std::optional<Date> modified;
  std::optional<std::int64_t> size;
  if (st) {
    modified = Date{std::chrono::seconds{st->modifiedSeconds}};
    size = st->allocatedSize;
  }
  if (auto age = texts::ageEvidence(modified, now())) {
    score = grading::cappedScore(score + age->weight);
    evidence.push_back(std::move(*age));
  }
  if (running) evidence.emplace_back(EvidenceKind::runningProcess, texts::kRunning, 0);

  if (location.isProtected && (location.kind == FindingKind::launchDaemon || location.kind == FindingKind::helper)) {
    evidence.emplace_back(EvidenceKind::requiresAdministrator, texts::kSystemComponent, 0);
  } else if (location.kind != FindingKind::systemExtension && requiresAdministrator(url)) {
    evidence.emplace_back(EvidenceKind::requiresAdministrator, texts::kAdministratorApproval, 0);
  }

  FindingConfidence tier =
      EvidenceClassifier::tier(score, exact, location.kind, location.isProtected, running, reviewCap);
  return FileFinding::make(url, location.kind, tier, score, std::move(evidence), size, modified, location.isProtected,
                           std::nullopt, fileSystem->diskIdentity(url.path()));
}

}  // namespace corvane
