#include "analysis/extended_pass.h"

#include <algorithm>

#include "analysis/candidate_scoring.h"
#include "analysis/grading.h"
#include "corvane/analysis/evidence_classifier.h"
#include "analysis/item_grading.h"
#include "analysis/location_assessments.h"
#include "corvane/platform/file_system.h"

namespace corvane {

namespace {

using ExtendedMatching::Claim;
using Location = AppAnalyzer::SearchLocation;

constexpr const char* kDeeperNote = "Found below the usual search depth of its folder, so it is held at Review.";
constexpr const char* kDeeperExactNote =
    "Found below the usual search depth of its folder; named exactly for this app's identifier, so it is "
    "offered as Probably Leftover at most.";

// Standard Library folders: never a vendor's own folder.
bool isStandardLibraryFolder(const std::string& name) {
  static const std::set<std::string> kStandard = {
      "Application Support", "Caches", "Preferences", "Containers", "Group Containers", "Daemon Containers",
      "Saved Application State", "HTTPStorages", "WebKit", "Cookies", "Logs", "Application Scripts",
      "LaunchAgents", "Frameworks"};
  return kStandard.count(name) != 0;
}

bool deepens(const Location& location) {
  return location.mode == AppAnalyzer::MatchMode::identifier &&
         (location.kind == FindingKind::cache || location.kind == FindingKind::log ||
          location.kind == FindingKind::preference || location.kind == FindingKind::applicationSupport);
}

// Modes whose items the name rules may tie to the app; ByHost items carry a machine's identifier instead.
bool namesMatter(AppAnalyzer::MatchMode mode) { return mode != AppAnalyzer::MatchMode::byHost; }

// A folder named with an app identifier ("com.vendor.product") holds that app's own items, so nothing of
// another app is looked for inside it, except in the stores that crash-reporting libraries keep for every
// app that embeds them, which they name "<identifier>.data".
bool isOwnedByItsIdentifier(std::string_view name) {
  const auto dot = name.find('.');
  if (dot < 2 || dot > 6 || std::count(name.begin(), name.end(), '.') < 2 || name.find(' ') != std::string_view::npos)
    return false;
  if (!std::all_of(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(dot), [](char c) { return c >= 'a' && c <= 'z'; }))
    return false;
  return !ExtendedPass::isLibraryStore(name);
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

// Evidence that ties an item to the app beyond its name.
bool tiesBeyondName(const FileFinding& f) {
  return std::any_of(f.evidence.begin(), f.evidence.end(), [](const MatchEvidence& e) {
    switch (e.kind) {
      case EvidenceKind::appName: case EvidenceKind::location: case EvidenceKind::modificationAge:
      case EvidenceKind::runningProcess: case EvidenceKind::requiresAdministrator: case EvidenceKind::sharedOwnership:
      case EvidenceKind::reviewGuidance: case EvidenceKind::removalGuidance:
        return false;
      default:
        return e.weight > 0;
    }
  });
}

void holdAtReview(FileFinding& f, const char* note) {
  if (f.confidence != FindingConfidence::safeToRemove && f.confidence != FindingConfidence::probablyLeftover) return;
  f.confidence = FindingConfidence::review;
  if (note) f.evidence.emplace_back(EvidenceKind::reviewGuidance, note, 0);
}

}  // namespace

ExtendedPass::ExtendedPass(const AppAnalyzer& analyzer, Subject subject, const std::vector<Location>& locations,
                           std::vector<FileFinding>& findings)
    : analyzer_(analyzer), subject_(subject), findings_(findings), matcher_(subject.identity, subject.coInstalled),
      filter_(subject.identity), locations_(locations) {
  for (const auto& location : locations) listed_.insert(location.url.path());
  const auto plain = [](std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  };
  const AppIdentity& identity = subject.identity;
  plainApp_ = plain(identity.name) && plain(identity.bundleIdentifier.value_or("")) &&
              plain(identity.signingIdentifier.value_or(""));
}

void ExtendedPass::beginLocation(const Location& location) {
  location_ = &location;
  root_ = location.url.path();
  listedDepth_ = static_cast<std::size_t>(location.maxDepth);
}

std::string_view ExtendedPass::belowRoot(const std::string& path) const {
  std::string_view rest(path);
  return rest.size() > root_.size() + 1 ? rest.substr(root_.size() + 1) : std::string_view{};
}

bool ExtendedPass::inVendorFolder(std::string_view belowPath) const {
  std::size_t start = 0;
  while (start < belowPath.size()) {
    std::size_t slash = belowPath.find('/', start);
    if (slash == std::string_view::npos) slash = belowPath.size();
    if (matcher_.isVendorFolder(belowPath.substr(start, slash - start))) return true;
    start = slash + 1;
  }
  return false;
}

void ExtendedPass::add(const Url& url, const Location& location, MatchEvidence why, bool strong) {
  // A container speaks for itself: one whose metadata records an owner that is not this app's is
  // another app's, whatever its folder is named.
  std::vector<std::string> owners;
  if (location.kind == FindingKind::container) {
    if (auto owner = LocationAssessments::containerRecordedOwner(*analyzer_.machine.fileSystem, url)) {
      const Url ownerURL = Url::fileURL("/" + *owner);
      if (LocationAssessments::bestOwnerMatch(*owner, subject_.identity) == MatchEngine::IdentifierMatch::none &&
          !matcher_.strong(ownerURL) && !matcher_.assess(ownerURL, *owner))
        return;
      owners.push_back(*owner);
    }
  }
  const auto arbitration = analyzer_.arbitrate(url, subject_.identity, subject_.coInstalled,
                                               location.kind == FindingKind::groupContainer, owners);
  if (arbitration.suppress) return;
  const int weight = why.weight;
  auto f = gradeOnDisk(analyzer_.machine, url, location,
                       CandidateScoring::Weighing{{std::move(why)}, weight, false, false}, arbitration,
                       subject_.running);
  if (!f) return;
  if (!strong) holdAtReview(*f, nullptr);
  madeHere_.insert(f->url.path());
  findings_.push_back(std::move(*f));
}

void ExtendedPass::consider(const std::string& path, std::string_view name, const Location& location,
                            std::string_view belowPath, bool nameMayMatch) {
  if (nameMayMatch && namesMatter(location.mode) && matcher_.mayMatch(name)) {
    const Url url = Url::fileURL(path);
    if (auto why = matcher_.strong(url, belowPath, location.kind)) return add(url, location, std::move(*why), /*strong=*/true);
  }
  if (location.isProtected &&
      (location.kind == FindingKind::launchAgent || location.kind == FindingKind::launchDaemon)) {
    const Url url = Url::fileURL(path);
    auto label = LocationAssessments::launchEvidence(*analyzer_.machine.fileSystem, url, subject_.identity,
                                                     subject_.appURL, /*isProtected=*/false, analyzer_.layout);
    if (!label.empty()) {
      label.front().explanation += " In a system folder that alone holds it at Review.";
      add(url, location, std::move(label.front()));
      return;
    }
  }
  if (!nameMayMatch || !namesMatter(location.mode) || !matcher_.mayMatch(name)) return;
  const Url url = Url::fileURL(path);
  if (auto why = matcher_.assess(url, belowPath)) add(url, location, std::move(*why));
}

bool ExtendedPass::evaluateBelow(const std::string& path, const Location& location, bool mayMatch) {
  if (!mayMatch) return false;
  auto f = analyzer_.evaluate(Url::fileURL(path), location, subject_.identity, subject_.appURL, subject_.running,
                              subject_.coInstalled, subject_.catalog);
  if (!f) return false;
  // An exact identifier speaks for the item at any depth; it is never more than Probably Leftover there.
  const bool exact = std::any_of(f->evidence.begin(), f->evidence.end(), [](const MatchEvidence& e) {
    return e.kind == EvidenceKind::bundleIdentifier || e.kind == EvidenceKind::signingIdentifier;
  });
  if (exact && f->confidence == FindingConfidence::safeToRemove) {
    f->confidence = FindingConfidence::probablyLeftover;
    f->evidence.emplace_back(EvidenceKind::reviewGuidance, kDeeperExactNote, 0);
  } else if (!exact) {
    holdAtReview(*f, kDeeperNote);
  }
  findings_.push_back(std::move(*f));
  return true;
}

void ExtendedPass::passedOver(const AppAnalyzer::WalkedEntry& entry, bool nameMayMatch) {
  consider(entry.path, entry.name, *location_, belowRoot(entry.path), nameMayMatch);
}

bool ExtendedPass::entersBelow(const AppAnalyzer::WalkedEntry& entry) const {
  if (!entry.isFolder || !deepens(*location_) || listed_.count(entry.path)) return false;
  if (inVendorFolder(belowRoot(entry.path))) return true;
  // One level more only where a single level is listed, and never inside a folder that an identifier
  // names (Apple's own among them).
  return listedDepth_ == 1 && !isOwnedByItsIdentifier(entry.name);
}

bool ExtendedPass::below(const AppAnalyzer::WalkedEntry& entry) {
  const std::string_view rest = belowRoot(entry.path);
  const auto slash = rest.rfind('/');
  const bool vendorAbove = slash != std::string_view::npos && inVendorFolder(rest.substr(0, slash));
  const bool mayMatch = vendorAbove || filter_.mayMatch(entry.name) || judgedBeyondName(location_->kind, false);
  if (evaluateBelow(entry.path, *location_, mayMatch)) return false;
  consider(entry.path, entry.name, *location_, rest);
  const std::size_t levels = entry.depth - listedDepth_;
  return entry.isFolder && levels < static_cast<std::size_t>(kLevelsBelow) &&
         (vendorAbove || matcher_.isVendorFolder(entry.name));
}

void ExtendedPass::vendorFoldersOfTheHomeLibrary() {
  const Location vendorLocation{subject_.homeLibrary, FindingKind::applicationSupport, false, kLevelsBelow,
                                AppAnalyzer::MatchMode::identifier};
  for (const auto& url : analyzer_.contents(subject_.homeLibrary, 1)) {
    const std::string name = url.lastPathComponent();
    if (isStandardLibraryFolder(name) || !matcher_.isVendorFolder(name)) continue;
    consider(url.path(), name, vendorLocation, name);
    const std::string root = url.path();
    analyzer_.visitContents(url, kLevelsBelow, [&](const AppAnalyzer::WalkedEntry& entry) {
      if (evaluateBelow(entry.path, vendorLocation, true)) return false;
      const std::string rest = name + entry.path.substr(root.size());
      consider(entry.path, entry.name, vendorLocation, rest);
      return true;
    });
  }
}

void ExtendedPass::removeStrongerClaims() {
  // A co-installed app's stronger claim wins over either layer; another channel's item is not this app's;
  // a name found only inside a longer word ties nothing by itself.
  const AppIdentity& identity = subject_.identity;
  // A name inside a longer word may still stand with evidence beyond the name ("com.vendor.productnotes"
  // under the app's unshared vendor prefix): that evidence joins the finding.
  for (auto& f : findings_) {
    if (f.kind == FindingKind::application || holdsIdentity(f) || tiesBeyondName(f) ||
        ExtendedMatching::Matcher::claim(identity, f.url) != Claim::fragment || matcher_.runTogether(f.url))
      continue;
    if (auto why = matcher_.assess(f.url, {}); why && why->kind != EvidenceKind::appName) f.evidence.push_back(std::move(*why));
  }
  std::erase_if(findings_, [&](const FileFinding& f) {
    if (f.kind == FindingKind::application || f.kind == FindingKind::installerReceipt || holdsIdentity(f)) return false;
    Claim own = ExtendedMatching::Matcher::claim(identity, f.url);
    if (holdsFamily(f)) own = std::max(own, Claim::wholeWord);
    if (own == Claim::fragment && !tiesBeyondName(f) && !matcher_.runTogether(f.url)) return true;
    return matcher_.claimedByPeer(f.url, own) || (own < Claim::exactName && matcher_.isOtherChannel(f.url));
  });
  for (auto& f : findings_) {
    if (f.kind == FindingKind::application || holdsIdentity(f) || holdsFamily(f)) continue;
    if (ExtendedMatching::Matcher::claim(identity, f.url) == Claim::fragment)
      holdAtReview(f, "The application name appears only inside a longer word, so it is held at Review.");
  }
}

void ExtendedPass::weighBaseFindings() {
  using EvidenceClassifier::tier;
  const auto has = [](const FileFinding& f, EvidenceKind kind) {
    return std::any_of(f.evidence.begin(), f.evidence.end(), [&](const MatchEvidence& e) { return e.kind == kind; });
  };
  for (auto& f : findings_) {
    if (f.kind == FindingKind::application || f.kind == FindingKind::installerReceipt || madeHere_.count(f.url.path()))
      continue;
    const auto deeper = [](const MatchEvidence& e) { return e.explanation == kDeeperNote; };
    if (f.confidence == FindingConfidence::review && std::none_of(f.evidence.begin(), f.evidence.end(), [&](const MatchEvidence& e) {
          return e.kind == EvidenceKind::reviewGuidance && !deeper(e);
        })) {
      bool shared = has(f, EvidenceKind::sharedOwnership);
      std::optional<MatchEvidence> why;
      if (!tiesBeyondName(f)) why = matcher_.distinctiveName(f.url);
      if (!why) why = matcher_.strong(f.url, {}, f.kind);
      // The developer team alone holds a group container at Review; the app's identifier behind the
      // app's own team does not, unless another installed app claims the item too.
      if (why && shared &&
          !analyzer_.arbitrate(f.url, subject_.identity, subject_.coInstalled, f.kind == FindingKind::groupContainer, {})
               .capReview) {
        std::erase_if(f.evidence, [](const MatchEvidence& e) { return e.kind == EvidenceKind::sharedOwnership; });
        shared = false;
      }
      if (shared) continue;
      const bool launch = f.kind == FindingKind::launchAgent || f.kind == FindingKind::launchDaemon;
      if (!why && launch && std::any_of(f.evidence.begin(), f.evidence.end(), [](const MatchEvidence& e) {
            return e.explanation == LocationAssessments::kProgramInsideBundle;
          }) && LocationAssessments::launchProgramInsideBundle(*analyzer_.machine.fileSystem, f.url, subject_.appURL, analyzer_.layout))
        why = MatchEvidence(EvidenceKind::launchDefinition,
                            "Nothing but this app runs the program the launch job names, so the job is this app's.",
                            ExtendedMatching::kLaunchJobWeight);
      if (!why) continue;
      // Strong evidence speaks for the item at any depth.
      std::erase_if(f.evidence, deeper);
      f.score = grading::cappedScore(f.score + why->weight);
      f.evidence.push_back(std::move(*why));
      f.confidence = tier(f.score, false, f.kind, f.isProtectedLocation, false, false);
      continue;
    }
    // An exact name that is a common word, and nothing else.
    const bool selectable =
        f.confidence == FindingConfidence::safeToRemove || f.confidence == FindingConfidence::probablyLeftover;
    if (selectable && matcher_.nameIsCommonWord() && !tiesBeyondName(f) &&
        ExtendedMatching::Matcher::claim(subject_.identity, f.url) == Claim::exactName)
      holdAtReview(f, ("The application name " + subject_.identity.name +
                       " is a common word that other products and folders share, so an item named only for it is "
                       "held at Review.").c_str());
  }
}

bool ExtendedPass::holdsAnotherAppsItem(const std::string& folder) const {
  bool found = false;
  analyzer_.visitContents(Url::fileURL(folder), kLevelsBelow + 1, [&](const AppAnalyzer::WalkedEntry& entry) {
    if (found) return false;
    const Url url = Url::fileURL(entry.path);
    if (matcher_.claimedByPeer(url, Claim::none)) found = true;
    if (!found && entry.isFolder)
      if (auto owner = LocationAssessments::containerRecordedOwner(*analyzer_.machine.fileSystem, url))
        found = std::any_of(subject_.coInstalled.begin(), subject_.coInstalled.end(), [&](const AppIdentity& peer) {
          return LocationAssessments::bestOwnerMatch(*owner, peer) != MatchEngine::IdentifierMatch::none;
        });
    return !found;
  });
  return found;
}

void ExtendedPass::yieldToWhatIsInside() {
  // The base rules' findings, and the extended ones a user would select.
  std::vector<std::string> base;
  for (const auto& f : findings_)
    if (!madeHere_.count(f.url.path()) || f.confidence == FindingConfidence::safeToRemove ||
        f.confidence == FindingConfidence::probablyLeftover)
      base.push_back(f.url.standardized().path());
  std::erase_if(findings_, [&](const FileFinding& f) {
    if (!madeHere_.count(f.url.path())) return false;
    const std::string folder = f.url.standardized().path();
    const bool baseInside = std::any_of(base.begin(), base.end(), [&](const std::string& p) {
      return p.size() > folder.size() && p.compare(0, folder.size(), folder) == 0 && p[folder.size()] == '/';
    });
    return baseInside || holdsAnotherAppsItem(f.url.path());
  });
}

void ExtendedPass::finish() {
  vendorFoldersOfTheHomeLibrary();
  foldersOutsideTheListedOnes();
  commandLineTools();
  removeStrongerClaims();
  weighBaseFindings();
  yieldToWhatIsInside();
  foldersHoldingOnlyThisApp();
}

}  // namespace corvane
