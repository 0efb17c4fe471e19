// The extended matching's part of an analysis: Review findings for the items the base rules passed over,
// for the items one level deeper than their location is listed and for the vendors' own folders, then the
// co-installed apps' stronger claims removed from every finding.

#include <algorithm>
#include <set>

#include "analysis/candidate_scoring.h"
#include "analysis/extended_matching.h"
#include "analysis/name_filter.h"
#include "analysis/location_assessments.h"
#include "corvane/analysis/app_analyzer.h"
#include "platform/file_status.h"
#include "platform/file_system.h"

namespace corvane {

namespace {

using ExtendedMatching::Claim;

constexpr int kDeeperLevels = 1;        // below Caches, Logs, Preferences and Application Support
constexpr int kVendorFolderLevels = 3;  // inside a folder named for the app's vendor
constexpr const char* kDeeperNote = "Found below the usual search depth of its folder, so it is held at Review.";

// Standard Library folders: never a vendor's own folder.
bool isStandardLibraryFolder(const std::string& name) {
  static const std::set<std::string> kStandard = {
      "Application Support", "Caches", "Preferences", "Containers", "Group Containers", "Daemon Containers",
      "Saved Application State", "HTTPStorages", "WebKit", "Cookies", "Logs", "Application Scripts",
      "LaunchAgents", "Frameworks"};
  return kStandard.count(name) != 0;
}

bool deepens(const AppAnalyzer::SearchLocation& location) {
  return location.mode == AppAnalyzer::MatchMode::identifier &&
         (location.kind == FindingKind::cache || location.kind == FindingKind::log ||
          location.kind == FindingKind::preference || location.kind == FindingKind::applicationSupport);
}

// "a/b/c" below `root`.
std::string below(const Url& url, const Url& root) {
  const std::string path = url.path(), base = root.path();
  return path.size() > base.size() + 1 ? path.substr(base.size() + 1) : std::string{};
}

int depthBelow(const Url& url, const Url& root) {
  const std::string rest = below(url, root);
  return rest.empty() ? 0 : 1 + static_cast<int>(std::count(rest.begin(), rest.end(), '/'));
}

bool holdsIdentity(const FileFinding& f) {
  return std::any_of(f.evidence.begin(), f.evidence.end(), [](const MatchEvidence& e) {
    return e.kind == EvidenceKind::bundleIdentifier || e.kind == EvidenceKind::signingIdentifier ||
           e.kind == EvidenceKind::applicationGroup || e.kind == EvidenceKind::pluginOwnership;
  });
}

bool holdsFamily(const FileFinding& f) {
  return std::any_of(f.evidence.begin(), f.evidence.end(), [](const MatchEvidence& e) {
    return e.kind == EvidenceKind::relatedComponent || e.kind == EvidenceKind::launchDefinition ||
           e.kind == EvidenceKind::sameDeveloper;
  });
}

void holdAtReview(FileFinding& f, const char* note) {
  if (f.confidence != FindingConfidence::safeToRemove && f.confidence != FindingConfidence::probablyLeftover) return;
  f.confidence = FindingConfidence::review;
  if (note) f.evidence.emplace_back(EvidenceKind::reviewGuidance, note, 0);
}

}  // namespace

void AppAnalyzer::extendFindings(std::vector<FileFinding>& findings, const std::vector<SearchLocation>& locations,
                                 const std::vector<PassedOver>& passedOver, const Url& homeLibrary, const AppIdentity& identity, const Url& appURL,
                                 bool running, const std::vector<AppIdentity>& coInstalled,
                                 const std::vector<SystemExtensionRecord>& catalog) const {
  const ExtendedMatching::Matcher matcher(identity, coInstalled);
  const NameFilter filter(identity);

  // One extended finding, through the same arbitration and grading as the base rules, at Review at most.
  auto extended = [&](const Url& url, const SearchLocation& location, MatchEvidence why) -> std::optional<FileFinding> {
    CandidateScoring::ItemFacts item;
    item.arbitration = arbitrate(url, identity, coInstalled, location.kind == FindingKind::groupContainer, {});
    if (item.arbitration.suppress) return std::nullopt;
    auto st = machine.fileSystem->linkStatus(url.path());
    std::optional<std::int64_t> size;
    if (st) {
      item.modifiedAt = Date{std::chrono::seconds{st->modifiedSeconds}};
      size = st->allocatedSize;
    }
    item.now = machine.now();
    item.running = running;
    item.requiresAdministrator = machine.requiresAdministrator(url);
    const int weight = why.weight;
    auto graded = CandidateScoring::grade(CandidateScoring::Weighing{{std::move(why)}, weight, false, false},
                                          location.kind, location.isProtected, item);
    if (!graded) return std::nullopt;
    FileFinding f = FileFinding::make(url, location.kind, graded->tier, graded->score, std::move(graded->evidence),
                                      size, item.modifiedAt, location.isProtected, std::nullopt,
                                      machine.fileSystem->diskIdentity(url.path()));
    holdAtReview(f, nullptr);
    return f;
  };

  // An item the base rules passed over: the launch label in a system folder, then the name rules.
  auto consider = [&](const Url& url, const SearchLocation& location, const Url& root) {
    if (location.isProtected && (location.kind == FindingKind::launchAgent || location.kind == FindingKind::launchDaemon)) {
      auto label = LocationAssessments::launchEvidence(url, identity, appURL, /*isProtected=*/false, layout);
      if (!label.empty()) {
        label.front().explanation += " In a system folder that alone holds it at Review.";
        if (auto f = extended(url, location, std::move(label.front()))) findings.push_back(std::move(*f));
        return;
      }
    }
    if (location.mode != MatchMode::identifier && location.mode != MatchMode::groupContainer) return;
    if (auto why = matcher.assess(url, below(url, root)))
      if (auto f = extended(url, location, std::move(*why))) findings.push_back(std::move(*f));
  };

  // Items below the listed depth: the base rules first (held at Review), then the extended ones.
  auto deeper = [&](const Url& folder, const SearchLocation& location, int levels, bool vendorFolder) {
    // The folder was reached by the walk without following a link, so it is listed as it is, without
    // resolving its path again.
    std::vector<Url> inside;
    const platform::WalkLimits limits{static_cast<std::size_t>(levels), /*skipHidden=*/true, /*sorted=*/false};
    (void)machine.fileSystem->walk(folder.path(), limits, [&](const platform::WalkItem& entry) {
      inside.push_back(Url::fileURL(entry.path));
      return platform::WalkStep::descend;
    });
    for (const auto& url : inside) {
      // The base rules only for what its name may tie to the app; the extended rules for all of it.
      const bool mayMatch =
          vendorFolder || filter.mayMatch(url.lastPathComponent()) || judgedBeyondName(location.kind, false);
      if (auto f = mayMatch ? evaluate(url, location, identity, appURL, running, coInstalled, catalog) : std::nullopt) {
        holdAtReview(*f, kDeeperNote);
        findings.push_back(std::move(*f));
      } else {
        consider(url, location, location.url);
      }
    }
  };

  // Folders listed in their own right (ByHost, DiagnosticReports, ...) are never entered from above.
  std::set<std::string> listed;
  for (const auto& location : locations) listed.insert(location.url.path());
  for (const auto& [url, location] : passedOver) {
    consider(url, *location, location->url);
    if (!deepens(*location) || listed.count(url.path())) continue;
    const std::string rest = below(url, location->url);
    const auto parts = url::pathComponents(rest);
    const bool inVendor = std::any_of(parts.begin(), parts.end(), [&](const std::string& p) { return matcher.isVendorFolder(p); });
    const int depth = depthBelow(url, location->url);
    if (depth != location->maxDepth) continue;
    const int levels = inVendor ? kVendorFolderLevels : (depth < 1 + kDeeperLevels ? kDeeperLevels : 0);
    if (levels > 0) deeper(url, *location, levels, inVendor);
  }

  // The vendor's own folders directly in the home Library.
  const SearchLocation vendorLocation{homeLibrary, FindingKind::applicationSupport, false, kVendorFolderLevels,
                                      MatchMode::identifier};
  for (const auto& url : contents(homeLibrary, 1)) {
    const std::string name = url.lastPathComponent();
    if (isStandardLibraryFolder(name) || !matcher.isVendorFolder(name)) continue;
    deeper(url, vendorLocation, kVendorFolderLevels, true);
  }

  // A co-installed app's stronger claim wins over either layer; another channel's item is not this app's;
  // a name matched inside a word is never more than Review.
  std::erase_if(findings, [&](const FileFinding& f) {
    if (f.kind == FindingKind::application || f.kind == FindingKind::installerReceipt || holdsIdentity(f)) return false;
    Claim own = ExtendedMatching::Matcher::claim(identity, f.url);
    if (holdsFamily(f)) own = std::max(own, Claim::wholeWord);
    return matcher.claimedByPeer(f.url, own) || (own < Claim::exactName && matcher.isOtherChannel(f.url));
  });
  for (auto& f : findings) {
    if (f.kind == FindingKind::application || holdsIdentity(f) || holdsFamily(f)) continue;
    if (ExtendedMatching::Matcher::claim(identity, f.url) == Claim::fragment)
      holdAtReview(f, "The application name appears only inside a longer word, so it is held at Review.");
  }
}

}  // namespace corvane
