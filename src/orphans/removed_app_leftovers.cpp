#include "corvane/orphans/removed_app_leftovers.h"

#include <algorithm>

#include "corvane/discovery/app_discovery_service.h"
#include "platform/unicode.h"

namespace corvane::RemovedAppLeftovers {

AnalysisSnapshot analyze(const Layout& layout, const CatalogedApp& app, const std::vector<InstalledApplication>& installed,
                         const std::vector<CatalogedApp>& otherGone, AppAnalyzer::Collaborators collaborators,
                         AppAnalyzer::Options options) {
  AppAnalyzer analyzer(layout, std::move(collaborators), options);
  const Url appURL = Url::fileURL(layout.hostPath(app.path));
  const AppIdentity identity = app.identity();
  std::vector<InstalledApplication> peers;
  for (const auto& peer : installed)
    if (peer.url.standardized() != appURL.standardized()) peers.push_back(peer);
  std::vector<AppIdentity> coInstalled = analyzer.signatureEnrichedPeers(identity, peers);
  for (const auto& other : otherGone)
    if (platform::lowercased(other.bundleIdentifier) != platform::lowercased(app.bundleIdentifier))
      coInstalled.push_back(other.identity());
  return analyzer.analyze(identity, appURL, {}, coInstalled);
}

OrphanGroup group(const CatalogedApp& app, const AnalysisSnapshot& snapshot) {
  OrphanGroup g{app.bundleIdentifier, {}};
  for (FileFinding f : snapshot.findings) {
    if (f.kind == FindingKind::application) continue;
    if (f.confidence == FindingConfidence::safeToRemove) f.confidence = FindingConfidence::probablyLeftover;
    g.findings.push_back(std::move(f));
  }
  return g;
}

void merge(std::vector<OrphanGroup>& groups, OrphanGroup group) {
  auto it = std::find_if(groups.begin(), groups.end(), [&](const OrphanGroup& g) {
    return g.suspectedBundleIdentifier == group.suspectedBundleIdentifier;
  });
  if (it == groups.end()) {
    auto at = std::lower_bound(groups.begin(), groups.end(), group.suspectedBundleIdentifier,
                               [](const OrphanGroup& g, const std::string& key) { return g.suspectedBundleIdentifier < key; });
    groups.insert(at, std::move(group));
    return;
  }
  for (auto& f : group.findings) {
    const bool held = std::any_of(it->findings.begin(), it->findings.end(), [&](const FileFinding& h) {
      return h.url.standardized() == f.url.standardized();
    });
    if (!held) it->findings.push_back(std::move(f));
  }
}

}  // namespace corvane::RemovedAppLeftovers
