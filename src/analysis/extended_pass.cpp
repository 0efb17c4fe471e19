#include "analysis/extended_pass.h"

#include <algorithm>

#include "analysis/candidate_scoring.h"
#include "analysis/item_grading.h"
#include "analysis/location_assessments.h"
#include "platform/file_system.h"

namespace corvane {

namespace {

using ExtendedMatching::Claim;
using Location = AppAnalyzer::SearchLocation;

constexpr const char* kDeeperNote = "Found below the usual search depth of its folder, so it is held at Review.";

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
  constexpr std::string_view kStore = ".data";
  return !(name.size() > kStore.size() && name.substr(name.size() - kStore.size()) == kStore);
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

ExtendedPass::ExtendedPass(const AppAnalyzer& analyzer, Subject subject, const std::vector<Location>& locations,
                           std::vector<FileFinding>& findings)
    : analyzer_(analyzer), subject_(subject), findings_(findings), matcher_(subject.identity, subject.coInstalled),
      filter_(subject.identity) {
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

void ExtendedPass::add(const Url& url, const Location& location, MatchEvidence why) {
  const auto arbitration = analyzer_.arbitrate(url, subject_.identity, subject_.coInstalled,
                                               location.kind == FindingKind::groupContainer, {});
  if (arbitration.suppress) return;
  const int weight = why.weight;
  auto f = gradeOnDisk(analyzer_.machine, url, location,
                       CandidateScoring::Weighing{{std::move(why)}, weight, false, false}, arbitration,
                       subject_.running);
  if (!f) return;
  holdAtReview(*f, nullptr);
  findings_.push_back(std::move(*f));
}

void ExtendedPass::consider(const std::string& path, std::string_view name, const Location& location,
                            std::string_view belowPath, bool nameMayMatch) {
  if (location.isProtected &&
      (location.kind == FindingKind::launchAgent || location.kind == FindingKind::launchDaemon)) {
    const Url url = Url::fileURL(path);
    auto label = LocationAssessments::launchEvidence(url, subject_.identity, subject_.appURL, /*isProtected=*/false,
                                                     analyzer_.layout);
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
  holdAtReview(*f, kDeeperNote);
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

void ExtendedPass::foldersOutsideTheListedOnes() {
  const Url& library = subject_.homeLibrary;
  // Help indexes that the system keeps per app, and iCloud document containers.
  const Location inLibrary[] = {
      {library.appending("Caches/com.apple.helpd/Generated"), FindingKind::cache, false, 1,
       AppAnalyzer::MatchMode::identifier},
      {library.appending("Caches/com.apple.helpd/SDMHelpData/Other"), FindingKind::cache, false, 3,
       AppAnalyzer::MatchMode::identifier},
      {library.appending("Application Support/CloudDocs/session/containers"), FindingKind::applicationSupport, false,
       1, AppAnalyzer::MatchMode::identifier}};
  for (const auto& location : inLibrary) {
    beginLocation(location);
    analyzer_.visitContents(location.url, location.maxDepth, [&](const AppAnalyzer::WalkedEntry& entry) {
      // The base rules first, held at Review as below a listed folder, then the extended ones.
      if (evaluateBelow(entry.path, location, filter_.mayMatch(entry.name))) return false;
      consider(entry.path, entry.name, location, belowRoot(entry.path));
      return true;
    });
  }

  // The home folder's hidden items and its configuration folders: only exact names. A visible folder in
  // the home named for an app is the user's own (synced files, recordings), never offered.
  const Url home = library.deletingLastPathComponent();
  const struct {
    Url folder;
    const char* where;
  } outside[] = {{home, "in the home folder"},
                 {home.appending(".config"), "in the home folder's .config folder"},
                 {home.appending(".local/share"), "in the home folder's .local/share folder"}};
  const Location homeLocation{home, FindingKind::other, false, 1, AppAnalyzer::MatchMode::identifier};
  const platform::WalkLimits limits{1, /*skipHidden=*/false, /*sorted=*/false};
  for (const auto& place : outside) {
    (void)analyzer_.machine.fileSystem->walk(place.folder.path(), limits, [&](const platform::WalkItem& entry) {
      const bool hidden = !entry.name.empty() && entry.name.front() == '.';
      if (hidden || place.folder != home)
        if (auto why = matcher_.assessHomeItem(entry.name, place.where)) add(Url::fileURL(entry.path), homeLocation, *why);
      return platform::WalkStep::skipDescendants;
    });
  }
}

void ExtendedPass::removeStrongerClaims() {
  // A co-installed app's stronger claim wins over either layer; another channel's item is not this app's;
  // a name matched inside a word is never more than Review.
  const AppIdentity& identity = subject_.identity;
  std::erase_if(findings_, [&](const FileFinding& f) {
    if (f.kind == FindingKind::application || f.kind == FindingKind::installerReceipt || holdsIdentity(f)) return false;
    Claim own = ExtendedMatching::Matcher::claim(identity, f.url);
    if (holdsFamily(f)) own = std::max(own, Claim::wholeWord);
    return matcher_.claimedByPeer(f.url, own) || (own < Claim::exactName && matcher_.isOtherChannel(f.url));
  });
  for (auto& f : findings_) {
    if (f.kind == FindingKind::application || holdsIdentity(f) || holdsFamily(f)) continue;
    if (ExtendedMatching::Matcher::claim(identity, f.url) == Claim::fragment)
      holdAtReview(f, "The application name appears only inside a longer word, so it is held at Review.");
  }
}

void ExtendedPass::finish() {
  vendorFoldersOfTheHomeLibrary();
  foldersOutsideTheListedOnes();
  removeStrongerClaims();
}

}  // namespace corvane
