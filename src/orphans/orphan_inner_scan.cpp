// The orphan scan from given facts: the Library entries named after an identifier that nothing installed
// or running explains, crash reports matched against the apps the uninstall history removed, and the
// system records of the further sources, grouped by the suspected identifier.
//
// The folder pass keeps only the name and root of each entry it suspects; the findings of a group are made
// (examined on disk, with their evidence) when the group is handed out, one group at a time in key order, so
// a Library full of orphans never holds all of its findings at once.

#include <algorithm>
#include <array>

#include "analysis/system_library_names.h"
#include "corvane/analysis/match_engine.h"
#include "corvane/discovery/system_extension_catalog.h"
#include "corvane/orphans/orphan_scanner.h"
#include "orphans/orphan_sources.h"
#include "platform/disk_identity.h"
#include "corvane/platform/file_system.h"
#include "platform/fs_ops.h"
#include "platform/unicode.h"

namespace corvane {

namespace {

constexpr int kIdentifierNameWeight = 55;
constexpr int kAgeWeight = 3;
// Entries untouched for this many days carry the age as supporting evidence.
constexpr int kStaleAfterDays = 90;
constexpr std::int64_t kSecondsPerDay = 86'400;

// What one look at an entry says, as a finding records it.
struct EntryFacts {
  std::optional<std::int64_t> byteCount;
  std::optional<Date> modifiedAt;
  std::optional<DiskIdentity> diskIdentity;
};

EntryFacts factsOf(const Result<platform::FileStatus>& status) {
  if (!status) return {};
  // The allocated size when the file system reports one, else the logical size.
  const std::int64_t bytes = status->allocatedSize > 0 ? status->allocatedSize : status->size;
  return {bytes, Date(std::chrono::seconds(status->modifiedSeconds)), platform::identityIn(*status)};
}

EntryFacts entryFacts(const Url& url) { return factsOf(platform::identityStatus(url.path())); }

// The visible entries of a root; none when it cannot be listed.
std::vector<platform::FolderEntry> visibleEntries(const Url& root) {
  auto listing = platform::realFileSystem().list(root.path(), {.skipHidden = true});
  if (!listing.has_value()) return {};
  return std::move(listing->entries);
}

// Whole days elapsed from `from` to `now`; negative when `from` lies ahead.
int elapsedDays(Date from, Date now) { return static_cast<int>((now - from).count() / kSecondsPerDay); }

std::optional<std::string> trimmedIdentifier(const AppIdentity& identity) {
  if (!identity.bundleIdentifier) return std::nullopt;
  std::string identifier = trimmed(*identity.bundleIdentifier);
  if (identifier.empty()) return std::nullopt;
  return identifier;
}

FileFinding makeFinding(const Url& url, FindingKind kind, FindingConfidence confidence, int score,
                        std::vector<MatchEvidence> evidence, const EntryFacts& facts) {
  return FileFinding::make(url, kind, confidence, score, std::move(evidence), facts.byteCount, facts.modifiedAt, false,
                           std::nullopt, facts.diskIdentity);
}

struct RemovedOwner {
  std::string lowerIdentifier;
  std::string name;
};

class InnerScan {
 public:
  InnerScan(const OrphanScanner::Facts& facts, const Layout& layout, Date now)
      : facts_(facts), layout_(layout), now_(now) {
    for (const auto& id : facts.installedBundleIdentifiers) installedLower_.insert(platform::lowercased(id));
    for (const auto& id : facts.runningBundleIdentifiers) runningLower_.insert(platform::lowercased(id));
    for (const auto& identity : facts.knownRemovedIdentities)
      if (auto id = trimmedIdentifier(identity)) removedOwners_.push_back({platform::lowercased(*id), identity.name});
  }

  void run(const OrphanScanner::GroupSink& sink) {
    for (std::size_t i = 0; i < facts_.roots.size(); ++i) folderPass(i);
    diagnosticsPass();
    const std::function<bool(const std::string&)> ownerExists =
        facts_.ownerExists ? facts_.ownerExists
                           : [](const std::string& path) { return platform::realFileSystem().exists(path); };
    const orphans::SourceContext context{installedLower_, runningLower_, ownerExists, layout_};
    if (facts_.systemExtensionsRoot) {
      auto catalog = SystemExtensionCatalog::load(Url::fileURL(*facts_.systemExtensionsRoot));
      orphans::appendOrphanSystemExtensions(groups_, catalog, *facts_.systemExtensionsRoot, context);
    }
    if (facts_.packageReceiptsDirectory)
      orphans::appendOrphanReceipts(groups_, facts_.packageReceipts, *facts_.packageReceiptsDirectory, context);
    orphans::appendOrphanBackgroundItems(groups_, facts_.backgroundItems, facts_.suppressedBackgroundItemLabels, context);
    handOut(sink);
  }

 private:
  // An entry of a root that the folder pass suspects: its finding is made when its group is handed out. Its
  // suspected identifier and name lie back to back in text_ from `at`, so that a Library of orphans is
  // sorted and handed out from one block of memory rather than from two small ones per entry.
  struct Suspect {
    std::size_t at;
    std::uint32_t keyLength;
    std::uint32_t nameLength;
    std::size_t root;
  };

  std::string_view key(const Suspect& suspect) const { return {text_.data() + suspect.at, suspect.keyLength}; }
  std::string_view name(const Suspect& suspect) const {
    return {text_.data() + suspect.at + suspect.keyLength, suspect.nameLength};
  }

  void examined() {
    if (facts_.progress) facts_.progress(++examined_);
  }

  // The path of a root's entry, as Url::appending makes it.
  static std::string folderPrefix(const Url& root) {
    std::string prefix = root.path();
    if (prefix.empty() || prefix.back() != '/') prefix.push_back('/');
    return prefix;
  }

  std::string suspectPath(const Suspect& suspect) const {
    return folderPrefix(facts_.roots[suspect.root].url).append(name(suspect));
  }

  void folderPass(std::size_t rootIndex) {
    const OrphanScanner::Root& root = facts_.roots[rootIndex];
    const std::string prefix = folderPrefix(root.url);
    // Held open until the findings are made, which then examine their entries inside it.
    auto folder = platform::openDirectory(root.url.path());
    rootFolders_.push_back(folder.has_value() ? std::move(folder).value() : platform::UniqueFd());
    std::string path;
    for (auto& entry : visibleEntries(root.url)) {
      examined();
      auto suspected = OrphanScanner::inferredBundleIdentifier(entry.name);
      if (!suspected) continue;
      if ((!installedLower_.empty() && OrphanScanner::hasInstalledOwner(*suspected, installedLower_)) ||
          OrphanScanner::isLikelyTestFixture(*suspected) ||
          OrphanScanner::isKnownSharedSDKComponent(*suspected) || SystemLibraryNames::isAppleFamily(*suspected))
        continue;
      path.assign(prefix).append(entry.name);
      if (claimed(path)) continue;
      suspects_.push_back({text_.size(), static_cast<std::uint32_t>(suspected->size()),
                           static_cast<std::uint32_t>(entry.name.size()), rootIndex});
      text_.append(*suspected).append(entry.name);
    }
  }

  // The finding of a suspect whose suspected identifier is `key`.
  FileFinding folderFinding(const Suspect& suspect, const std::string& key) {
    const OrphanScanner::Root& root = facts_.roots[suspect.root];
    entryName_.assign(name(suspect));
    const Url url = root.url.appending(entryName_);
    const platform::UniqueFd& folder = rootFolders_[suspect.root];
    const EntryFacts facts = folder.valid() ? factsOf(platform::identityStatusAt(folder.get(), entryName_))
                                            : entryFacts(url);
    std::optional<int> ageDays;
    if (facts.modifiedAt) ageDays = elapsedDays(*facts.modifiedAt, now_);
    const bool stale = ageDays && *ageDays >= kStaleAfterDays;

    std::vector<MatchEvidence> evidence;
    evidence.reserve(4);
    evidence.emplace_back(EvidenceKind::bundleIdentifier,
                          "The artifact name contains reverse-DNS identifier " + key + ".", kIdentifierNameWeight);
    evidence.emplace_back(EvidenceKind::noInstalledOwner,
                          "No currently installed application has this bundle identifier. Absence alone is not "
                          "proof of safe removal.",
                          0);
    if (stale)
      evidence.emplace_back(EvidenceKind::modificationAge,
                            "Not modified for about " + std::to_string(*ageDays) + " days; age is supporting evidence only.",
                            kAgeWeight);
    const FindingConfidence confidence = classify(key, evidence);
    const int score = kIdentifierNameWeight + (stale ? kAgeWeight : 0);
    return makeFinding(url, root.kind, confidence, score, std::move(evidence), facts);
  }

  // Every group in key order: the folder pass's suspects made into findings beside what the other sources
  // found under the same key, sorted by path.
  void handOut(const OrphanScanner::GroupSink& sink) {
    // The suspects in key order, found order within a key.
    std::stable_sort(suspects_.begin(), suspects_.end(),
                     [this](const Suspect& a, const Suspect& b) { return key(a) < key(b); });
    auto suspect = suspects_.begin();
    auto other = groups_.begin();
    while (suspect != suspects_.end() || other != groups_.end()) {
      const bool fromSuspects = other == groups_.end() || (suspect != suspects_.end() && key(*suspect) <= other->first);
      OrphanGroup group{fromSuspects ? std::string(key(*suspect)) : other->first, {}};
      for (; suspect != suspects_.end() && key(*suspect) == group.suspectedBundleIdentifier; ++suspect)
        group.findings.push_back(folderFinding(*suspect, group.suspectedBundleIdentifier));
      if (other != groups_.end() && other->first == group.suspectedBundleIdentifier) {
        for (auto& finding : other->second) group.findings.push_back(std::move(finding));
        ++other;
      }
      if (group.findings.size() > 1) {
        std::vector<std::pair<std::string, std::size_t>> order;
        for (std::size_t i = 0; i < group.findings.size(); ++i) order.emplace_back(group.findings[i].url.path(), i);
        std::stable_sort(order.begin(), order.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<FileFinding> sorted;
        sorted.reserve(order.size());
        for (const auto& [path, i] : order) sorted.push_back(std::move(group.findings[i]));
        group.findings = std::move(sorted);
      }
      sink(std::move(group));
    }
    suspects_.clear();
    text_.clear();
    rootFolders_.clear();
    groups_.clear();
  }

  // The confidence of a folder-pass orphan, with the evidence that decides it.
  FindingConfidence classify(const std::string& suspected, std::vector<MatchEvidence>& evidence) const {
    // Nothing running and no removed app known (a scan without a history): no need to lower the name.
    const std::string lower =
        runningLower_.empty() && removedOwners_.empty() ? std::string() : platform::lowercased(suspected);
    if (runningLower_.contains(lower)) {
      evidence.emplace_back(EvidenceKind::runningProcess, "A process with this bundle identifier is running.", 0);
      return FindingConfidence::inUse;
    }
    for (const auto& owner : removedOwners_) {
      if (lower != owner.lowerIdentifier && !lower.starts_with(owner.lowerIdentifier + ".")) continue;
      evidence.emplace_back(EvidenceKind::relatedComponent,
                            "Uninstall history records " + owner.name + "; this file's identifier " + suspected +
                                " matches that removed app.",
                            0);
      return FindingConfidence::probablyLeftover;
    }
    if (facts_.installedVendors.empty()) return FindingConfidence::review;
    if (auto prefix = OrphanScanner::vendorPrefix(suspected)) {
      if (auto vendor = facts_.installedVendors.find(*prefix); vendor != facts_.installedVendors.end())
        evidence.emplace_back(EvidenceKind::sameDeveloper,
                              "Shares the developer prefix " + *prefix + " with the installed app \"" + vendor->second +
                                  "\"; it may be left over from an earlier app by the same developer. Absence of an "
                                  "installed owner is not proof of safe removal.",
                              0);
    }
    return FindingConfidence::review;
  }

  struct Candidate {
    std::string identifier;  // trimmed, case kept
    std::string lowerIdentifier;
    const AppIdentity* identity;
  };

  // Crash and diagnostic reports carry the process name: they are matched against the removed identities.
  void diagnosticsPass() {
    std::vector<Candidate> candidates;
    for (const auto& identity : facts_.knownRemovedIdentities) {
      auto id = trimmedIdentifier(identity);
      if (!id || OrphanScanner::hasInstalledOwner(*id, installedLower_) || SystemLibraryNames::isApplesOwn(identity))
        continue;
      std::string lower = platform::lowercased(*id);
      bool seen = std::any_of(candidates.begin(), candidates.end(),
                              [&](const Candidate& c) { return c.lowerIdentifier == lower; });
      if (!seen) candidates.push_back({*id, std::move(lower), &identity});
    }
    if (candidates.empty()) return;

    std::set<std::string> seen;
    for (const auto& suspect : suspects_) seen.insert(url::standardizedPath(suspectPath(suspect)));

    for (const auto& root : facts_.diagnosticRoots) {
      for (const auto& entry : visibleEntries(root.url)) {
        examined();
        const Url url = root.url.appending(entry.name);
        const std::string standardized = url.standardized().path();
        if (seen.contains(standardized) || claimed(url.path())) continue;
        const Candidate* best = nullptr;
        MatchEngine::Assessment bestAssessment;
        for (const auto& candidate : candidates) {
          auto assessment = MatchEngine::assess(url, *candidate.identity, root.kind);
          std::erase_if(assessment.evidence, [](const MatchEvidence& e) {
            return e.kind != EvidenceKind::bundleIdentifier && e.kind != EvidenceKind::signingIdentifier &&
                   e.kind != EvidenceKind::appName;
          });
          if (assessment.evidence.empty()) continue;
          const bool better = !best || assessment.score > bestAssessment.score ||
                              (assessment.score == bestAssessment.score && candidate.lowerIdentifier < best->lowerIdentifier);
          if (better) {
            best = &candidate;
            bestAssessment = std::move(assessment);
          }
        }
        if (!best) continue;
        const AppIdentity& identity = *best->identity;
        std::vector<MatchEvidence> evidence = std::move(bestAssessment.evidence);
        evidence.emplace_back(EvidenceKind::noInstalledOwner,
                              "Uninstall history records " + identity.name +
                                  ", and no installed application owns its recorded bundle identifier. History plus "
                                  "a filename match requires review.",
                              0);
        const bool running = runningLower_.contains(best->lowerIdentifier);
        if (running)
          evidence.emplace_back(EvidenceKind::runningProcess,
                                "A process with recorded bundle identifier " + best->identifier +
                                    " is running.",
                                0);
        groups_[best->identifier].push_back(
            makeFinding(url, root.kind, running ? FindingConfidence::inUse : FindingConfidence::review,
                        bestAssessment.score, std::move(evidence), entryFacts(url)));
        seen.insert(standardized);
      }
    }
  }

  // The system's own items and the folders many apps share are no one app's leftovers.
  bool claimed(const std::string& path) const { return SystemLibraryNames::claim(path, libraries_).has_value(); }

  const OrphanScanner::Facts& facts_;
  const Layout& layout_;
  const Date now_;
  const std::array<std::string, 2> libraries_{layout_.userLibrary(), layout_.library()};
  std::set<std::string> installedLower_;
  std::set<std::string> runningLower_;
  std::vector<RemovedOwner> removedOwners_;
  std::vector<Suspect> suspects_;
  std::string text_;       // the suspects' identifiers and names
  std::string entryName_;  // the name of the suspect being examined
  std::vector<platform::UniqueFd> rootFolders_;  // each root's folder, by index; not valid when it would not open
  orphans::GroupMap groups_;  // what the sources other than the folder pass found
  std::uint64_t examined_ = 0;
};

}  // namespace

void OrphanScanner::scan(const Facts& facts, const GroupSink& sink) const {
  InnerScan(facts, layout_, collaborators_.now ? collaborators_.now() : date::now()).run(sink);
}

std::vector<OrphanGroup> OrphanScanner::scan(const Facts& facts) const {
  std::vector<OrphanGroup> groups;
  scan(facts, [&groups](OrphanGroup&& group) { groups.push_back(std::move(group)); });
  return groups;
}

}  // namespace corvane
