#include "corvane/analysis/app_analyzer.h"

#include <algorithm>
#include <map>
#include <unordered_set>

#include "analysis/extended_pass.h"
#include "analysis/location_assessments.h"
#include "analysis/name_filter.h"
#include "analysis/system_ownership.h"
#include "analysis/analyzer_texts.h"
#include "corvane/analysis/evidence_classifier.h"
#include "corvane/discovery/signature_validator.h"
#include "analysis/grading.h"
#include "corvane/platform/file_system.h"
#include "platform/unicode.h"
#include "platform/system_layout.h"

namespace corvane {

const std::vector<std::string> AppAnalyzer::kDefaultPluginDirectories = {
    "Internet Plug-Ins", "PreferencePanes", "QuickLook", "Spotlight", "Services", "Audio/Plug-Ins/Components",
    "Audio/Plug-Ins/VST", "Audio/Plug-Ins/VST3", "Audio/Plug-Ins/CLAP", "Audio/Plug-Ins/HAL",
    "CoreMediaIO/Plug-Ins/DAL", "Plug-Ins/FxPlug", "Application Support/Avid/Audio/Plug-Ins", "Audio/MIDI Drivers",
    "Mail/Bundles", "Screen Savers", "Address Book Plug-Ins", "Widgets", "Automator", "Input Methods",
    "ColorPickers", "Contextual Menu Items", "PDF Services", "Keyboard Layouts", "Dictionaries",
    "iTunes/iTunes Plug-ins", "QuickTime"};

std::set<std::string> AppAnalyzer::vendorPrefixes(const std::optional<std::string>& bundleIdentifier,
                                                  const std::optional<std::string>& signingIdentifier) {
  std::set<std::string> prefixes;
  for (const auto* id : {&bundleIdentifier, &signingIdentifier}) {
    if (!*id || (*id)->empty()) continue;
    std::string lowered = platform::lowercased(**id);
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= lowered.size() && pieces.size() < 2) {
      std::size_t dot = lowered.find('.', start);
      if (dot == std::string::npos) dot = lowered.size();
      if (dot > start) pieces.push_back(lowered.substr(start, dot - start));
      start = dot + 1;
    }
    if (pieces.size() >= 2) prefixes.insert(pieces[0] + "." + pieces[1]);
  }
  return prefixes;
}

bool AppAnalyzer::peerSharesVendor(const std::string& bundleIdentifier, const std::set<std::string>& prefixes) {
  using M = MatchEngine::IdentifierMatch;
  return std::any_of(prefixes.begin(), prefixes.end(), [&](const std::string& prefix) {
    return MatchEngine::identifierMatch(bundleIdentifier, prefix) != M::none ||
           MatchEngine::identifierMatch(prefix, bundleIdentifier) != M::none;
  });
}

std::vector<AppIdentity> AppAnalyzer::signatureEnrichedPeers(const AppIdentity& target,
                                                             const std::vector<InstalledApplication>& peers) const {
  const auto prefixes = vendorPrefixes(target.bundleIdentifier, target.signingIdentifier);
  std::vector<AppIdentity> identities;
  identities.reserve(peers.size());
  for (const auto& peer : peers) {
    if (!prefixes.empty() && peer.bundleIdentifier && !peer.bundleIdentifier->empty() && !peer.isSystemApplication &&
        peerSharesVendor(*peer.bundleIdentifier, prefixes)) {
      SignatureFacts facts = machine.inspect(peer.url);
      std::optional<std::vector<std::string>> groups;
      if (!facts.applicationGroups.empty()) groups = facts.applicationGroups;
      identities.push_back(AppIdentity{peer.name, peer.bundleIdentifier, facts.signingIdentifier,
                                       facts.teamIdentifier, {}, std::nullopt, groups});
    } else {
      identities.push_back(peer.basicIdentity());
    }
  }
  return identities;
}

std::vector<AppAnalyzer::SearchLocation> AppAnalyzer::searchLocations(const Url& homeLibrary, const Url& system) const {
  using K = FindingKind;
  using M = MatchMode;
  std::vector<SearchLocation> list;
  auto add = [&](const Url& base, const std::string& folder, K kind, bool isProtected, int depth, M mode) {
    list.push_back(SearchLocation{base.appending(folder), kind, isProtected, depth, mode});
  };
  const Url& h = homeLibrary;
  add(h, "Application Support", K::applicationSupport, false, 2, M::identifier);
  add(h, "Caches", K::cache, false, 1, M::identifier);
  add(h, "Preferences", K::preference, false, 1, M::identifier);
  add(h, "Preferences/ByHost", K::preference, false, 1, M::byHost);
  add(h, "Containers", K::container, false, 1, M::identifier);
  add(h, "Daemon Containers", K::container, false, 1, M::identifier);
  add(h, "Group Containers", K::groupContainer, false, 1, M::groupContainer);
  add(h, "Saved Application State", K::savedState, false, 1, M::identifier);
  add(h, "HTTPStorages", K::webData, false, 1, M::identifier);
  add(h, "WebKit", K::webData, false, 1, M::identifier);
  add(h, "Cookies", K::webData, false, 1, M::identifier);
  add(h, "Logs", K::log, false, 1, M::identifier);
  add(h, "Logs/DiagnosticReports", K::log, false, 1, M::identifier);
  add(h, "Application Support/CrashReporter", K::log, false, 1, M::identifier);
  add(h, "Application Support/com.apple.sharedfilelist", K::applicationSupport, false, 2, M::recentDocuments);
  add(h, "Application Scripts", K::appScript, false, 1, M::identifier);
  add(h, "LaunchAgents", K::launchAgent, false, 1, M::identifier);
  add(h, "Frameworks", K::framework, false, 1, M::plugin);
  for (const auto& dir : pluginDirectories) add(h, dir, K::plugin, false, 1, M::plugin);
  const Url& s = system;
  add(s, "Application Support", K::applicationSupport, true, 1, M::identifier);
  add(s, "Caches", K::cache, true, 1, M::identifier);
  add(s, "Preferences", K::preference, true, 1, M::identifier);
  add(s, "Logs", K::log, true, 1, M::identifier);
  add(s, "LaunchAgents", K::launchAgent, true, 1, M::identifier);
  add(s, "LaunchDaemons", K::launchDaemon, true, 1, M::identifier);
  add(s, "PrivilegedHelperTools", K::helper, true, 1, M::identifier);
  add(s, "Frameworks", K::framework, true, 1, M::plugin);
  add(s, "Extensions", K::systemExtension, true, 1, M::systemExtension);
  add(s, "DriverExtensions", K::systemExtension, true, 1, M::systemExtension);
  add(s, "SystemExtensions", K::systemExtension, true, 2, M::systemExtension);
  for (const auto& dir : pluginDirectories) add(s, dir, K::plugin, true, 1, M::plugin);
  return list;
}

namespace {

bool isInside(const std::string& resolved, const std::string& root) {
  if (resolved == root) return true;
  if (root == "/") return !resolved.empty() && resolved.front() == '/';
  return resolved.size() > root.size() && resolved.compare(0, root.size(), root) == 0 && resolved[root.size()] == '/';
}

}  // namespace

void AppAnalyzer::visitContents(const Url& root, int maxDepth,
                                const std::function<bool(const WalkedEntry&)>& visit) const {
  auto resolvedRoot = machine.fileSystem->resolvedPath(layout, root.path());
  if (!resolvedRoot.has_value() || maxDepth < 1) return;
  // resolved[d - 1]: where the folder holding the entries at depth d leads.
  std::vector<std::string> resolved{*resolvedRoot};
  const platform::WalkLimits limits{static_cast<std::size_t>(maxDepth), /*skipHidden=*/true, /*sorted=*/false};
  (void)machine.fileSystem->walk(root.path(), limits, [&](const platform::WalkItem& entry) {
    resolved.resize(entry.depth);
    const bool link = entry.type == platform::EntryType::symbolicLink;
    const bool folder = entry.type == platform::EntryType::directory;
    // Anything else lies where its folder leads: inside the root, with nothing to resolve.
    if (link) {
      // A link is judged by where it leads on the Mac; one that leads nowhere stays an item of this folder.
      auto target = machine.fileSystem->resolvedPath(layout, entry.path);
      if (target.has_value() && !isInside(*target, *resolvedRoot)) return platform::WalkStep::skipDescendants;
    }
    const bool enter = visit(WalkedEntry{entry.path, entry.name, entry.type == platform::EntryType::file, folder,
                                         entry.depth});
    if (!enter) return platform::WalkStep::skipDescendants;
    // Only folders are entered, so a resolved path is kept for them alone.
    if (folder) resolved.push_back(resolved.back() + "/" + entry.name);
    return platform::WalkStep::descend;
  });
}

std::vector<Url> AppAnalyzer::contents(const Url& root, int maxDepth) const {
  std::vector<Url> out;
  visitContents(root, maxDepth, [&](const WalkedEntry& entry) {
    out.push_back(Url::fileURL(entry.path));
    return true;
  });
  return out;
}

bool AppAnalyzer::isRunning(const AppIdentity& identity, const Url& appURL) const {
  const std::string target = appURL.standardized().path();
  for (const auto& app : machine.runningApplications()) {
    if (app.bundleURL) {
      if (app.bundleURL->standardized().path() == target) return true;
    } else if (app.bundleIdentifier && identity.bundleIdentifier && *app.bundleIdentifier == *identity.bundleIdentifier) {
      return true;
    }
  }
  return false;
}

FileFinding AppAnalyzer::bundleFinding(const AppIdentity& identity, const Url& appURL,
                                       const std::vector<MatchEvidence>& embeddedEvidence, bool running) const {
  std::vector<MatchEvidence> evidence;
  evidence.emplace_back(EvidenceKind::selectedApplication, texts::kSelectedApplication, 100);
  for (std::size_t i = 0; i < identity.packageReceipts.size() && i < 3; ++i)
    evidence.emplace_back(EvidenceKind::packageReceipt,
                          "Installer receipt found: " + identity.packageReceipts[i] + ".", 0);
  evidence.insert(evidence.end(), embeddedEvidence.begin(), embeddedEvidence.end());
  auto st = machine.fileSystem->linkStatus(appURL.path());
  std::optional<Date> modified;
  if (st.has_value()) modified = Date{std::chrono::seconds{st->modifiedSeconds}};
  if (auto age = texts::ageEvidence(modified, machine.now())) evidence.push_back(*age);
  if (running) evidence.emplace_back(EvidenceKind::runningProcess, texts::kRunning, 0);
  if (machine.requiresAdministrator(appURL))
    evidence.emplace_back(EvidenceKind::requiresAdministrator, texts::kAdministratorApproval, 0);
  const bool isSystem = appURL.path().rfind(layout.underRoot("/System/"), 0) == 0;
  FindingConfidence confidence = running    ? FindingConfidence::inUse
                                 : isSystem ? FindingConfidence::review
                                            : FindingConfidence::safeToRemove;
  std::optional<std::int64_t> size;
  if (st.has_value()) size = st->allocatedSize;
  return FileFinding::make(appURL, FindingKind::application, confidence, 100, std::move(evidence), size, modified,
                           isSystem, std::nullopt, valueIfAny(machine.fileSystem->diskIdentity(appURL.path())));
}

AnalysisSnapshot AppAnalyzer::analyze(const InstalledApplication& app,
                                      const std::vector<InstalledApplication>& coInstalled) const {
  SignatureFacts facts = machine.inspect(app.url);
  ComponentFacts inspection = machine.componentInspector(app.url);
  if (facts.validationProblem)
    inspection.evidence.emplace_back(EvidenceKind::signingIdentifier,
                                     SignatureValidator::evidenceText(*facts.validationProblem), 0);
  std::vector<std::string> receipts = machine.receiptInspector(app.bundleIdentifier, app.name);
  AppIdentity identity{app.name,     app.bundleIdentifier, facts.signingIdentifier, facts.teamIdentifier,
                       receipts,     inspection.identifiers, facts.applicationGroups};
  std::vector<InstalledApplication> peers;
  for (const auto& other : coInstalled)
    if (other.url != app.url) peers.push_back(other);
  return analyze(identity, app.url, inspection.evidence, signatureEnrichedPeers(identity, peers));
}

AnalysisSnapshot AppAnalyzer::analyze(const AppIdentity& identity, const Url& appURL,
                                      const std::vector<MatchEvidence>& embeddedEvidence,
                                      const std::vector<AppIdentity>& coInstalled,
                                      const std::optional<Url>& homeLibrary, const std::optional<Url>& system,
                                      const std::optional<Url>& receiptsDirectory) const {
  const Url home = homeLibrary.value_or(Url::fileURL(layout.userLibrary()));
  const Url sys = system.value_or(Url::fileURL(layout.library()));
  const Url receipts = receiptsDirectory.value_or(Url::fileURL(layout.receipts()));

  const bool running = isRunning(identity, appURL);
  const auto catalog = machine.loadSystemExtensions(sys.appending("SystemExtensions"));

  std::vector<FileFinding> findings;
  if (machine.fileSystem->exists(appURL.path()))
    findings.push_back(bundleFinding(identity, appURL, embeddedEvidence, running));
  const auto locations = searchLocations(home, sys);
  // The extended matching sees what the base rules pass over as the walk goes, and may ask for a few
  // levels below a location's listed depth.
  std::optional<ExtendedPass> extended;
  if (options.extendedMatching)
    extended.emplace(*this, ExtendedPass::Subject{home, identity, appURL, running, coInstalled, catalog}, locations, findings);
  const NameFilter filter(identity);
  for (const auto& location : locations) {
    const bool filtered =
        location.mode == MatchMode::identifier && !filter.mayMatchAnyComponent(location.url.path());
    const std::size_t listed = static_cast<std::size_t>(location.maxDepth);
    if (extended) extended->beginLocation(location);
    // parentMatches[d - 1]: whether the folder holding the entries at depth d may name the app.
    std::vector<bool> parentMatches{false};
    const int depthLimit = extended ? location.maxDepth + ExtendedPass::kLevelsBelow : location.maxDepth;
    visitContents(location.url, depthLimit, [&](const WalkedEntry& entry) {
      if (entry.depth > listed) return extended->below(entry);
      parentMatches.resize(entry.depth);
      const bool nameMayMatch = !extended || extended->mayMatch(entry.name);
      const bool mayMatch = parentMatches.back() || (nameMayMatch && filter.mayMatch(entry.name));
      parentMatches.push_back(mayMatch);
      const bool skipped = filtered && !mayMatch && !judgedBeyondName(location.kind, entry.isFile);
      std::optional<FileFinding> f;
      if (!skipped)
        f = evaluate(Url::fileURL(entry.path), location, identity, appURL, running, coInstalled, catalog, entry.isFile);
      if (f) {
        findings.push_back(std::move(*f));
        return entry.depth < listed;
      }
      if (!extended) return entry.depth < listed;
      extended->passedOver(entry, nameMayMatch);
      return entry.depth < listed || extended->entersBelow(entry);
    });
  }
  // What the walk could not decide: the vendor's own folders, the extended-only folders, and the
  // co-installed apps' stronger claims over every finding.
  if (extended) extended->finish();
  if (options.systemOwnership) {
    const std::string libraries[] = {home.path(), sys.path()};
    SystemOwnership::withhold(findings, identity, libraries, options.withheld);
  }
  for (auto& f : LocationAssessments::receiptFindings(identity, receipts, *machine.fileSystem))
    findings.push_back(std::move(f));

  // One finding per location: the highest score, the earliest among equals.
  std::vector<FileFinding> unique;
  std::map<std::string, std::size_t> byPath;
  for (auto& f : findings) {
    auto [it, inserted] = byPath.emplace(f.url.rawPath(), unique.size());
    if (inserted) {
      unique.push_back(std::move(f));
    } else if (f.score > unique[it->second].score) {
      unique[it->second] = std::move(f);
    }
  }

  std::stable_sort(unique.begin(), unique.end(), [](const FileFinding& a, const FileFinding& b) {
    if (rank(a.confidence) != rank(b.confidence)) return rank(a.confidence) > rank(b.confidence);
    if (a.score != b.score) return a.score > b.score;
    return a.url.path() < b.url.path();
  });

  // Drop whatever lies inside another reported item.
  std::unordered_set<std::string> reported;
  for (const auto& f : unique) reported.insert(f.url.standardized().path());
  std::vector<FileFinding> outer;
  for (auto& f : unique) {
    std::string path = f.url.standardized().path();
    bool nested = false;
    for (auto slash = path.rfind('/'); slash != std::string::npos && slash > 0 && !nested; slash = path.rfind('/', slash - 1))
      nested = reported.count(path.substr(0, slash)) != 0;
    if (!nested) outer.push_back(std::move(f));
  }

  std::set<std::string> services;
  for (const auto& id : identity.serviceIdentifiers()) services.insert(id);
  for (const auto& f : outer) {
    if (f.kind != FindingKind::launchAgent || f.isProtectedLocation) continue;
    if (auto label = LocationAssessments::userLaunchServiceIdentifier(*machine.fileSystem, f.url, identity, appURL, layout)) services.insert(*label);
  }

  AnalysisSnapshot snapshot;
  snapshot.createdAt = machine.now();
  snapshot.appURL = appURL;
  snapshot.identity = identity;
  snapshot.identity.backgroundServiceIdentifiers = std::vector<std::string>(services.begin(), services.end());
  snapshot.isApplicationRunning = running;
  snapshot.findings = std::move(outer);
  return snapshot;
}

}  // namespace corvane
