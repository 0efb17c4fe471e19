#include "corvane/uninstall/app_analysis.h"

#include "corvane/analysis/finding_ids.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/discovery/installed_app_catalog.h"
#include "corvane/orphans/removed_app_leftovers.h"

namespace corvane {

AppAnalysis analyzeApp(const Layout& layout, const std::vector<InstalledApplication>& installed,
                       const AppAnalysisRequest& request, AppAnalyzer::Collaborators machine) {
  AppAnalysis result;
  AppAnalyzer::Options options;
  options.extendedMatching = options.systemOwnership = !request.baseRulesOnly;
  options.withheld = [&result](FileFinding f) { result.withheld.push_back(std::move(f)); };
  if (request.removedBundleID) {
    // A gone app, from what the catalog remembers of it.
    const InstalledAppCatalog catalog(layout);
    const auto known = catalog.find(*request.removedBundleID);
    if (!known) return {AppAnalysis::Kind::neverListed, {}, {}};
    const auto gone = InstalledAppCatalog::removed(catalog.load(), installed);
    result.snapshot = RemovedAppLeftovers::analyze(layout, *known, installed, gone, std::move(machine), options);
  } else {
    const Url appURL = request.appURL.standardized();
    InstalledApplication app = AppDiscoveryService(layout).makeApplication(appURL);
    for (const auto& a : installed)
      if (a.url.standardized() == appURL) app = a;
    result.snapshot = AppAnalyzer(layout, std::move(machine), options).analyze(app, installed);
  }
  FindingIDs::assign(result.snapshot, layout);
  for (auto& f : result.withheld)
    f.id = FindingIDs::forItem(result.snapshot.identity, FindingIDs::macStylePath(f.url.path(), layout));
  return result;
}

}  // namespace corvane
