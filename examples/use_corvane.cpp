// Lists the applications of a Mac copied under ROOT (its home at HOME), analyses the one named APP with
// the room each item takes, and plans its uninstall without moving anything.
//   use_corvane ROOT HOME APP
#include <iostream>
#include <string>
#include <vector>

#include <corvane/analysis/app_analyzer.h>
#include <corvane/analysis/size_rollup.h>
#include <corvane/discovery/app_discovery_service.h>
#include <corvane/history/history_store.h>
#include <corvane/uninstall/uninstall_session.h>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: use_corvane ROOT HOME APP\n";
    return 2;
  }
  // ROOT stands for the Mac's "/"; on the Mac itself, corvane::platform::systemLayout() is the layout.
  const corvane::Layout layout = corvane::Layout::at(argv[1], argv[2]);
  auto shown = [&layout](const corvane::Url& url) { return layout.macPath(url.path()).value_or(url.path()); };

  // The applications installed, sorted by name.
  const std::vector<corvane::InstalledApplication> apps = corvane::AppDiscoveryService(layout).discover();
  const corvane::InstalledApplication* app = nullptr;
  for (const corvane::InstalledApplication& each : apps) {
    std::cout << each.name << " (" << each.bundleIdentifier.value_or("no identifier") << ") " << shown(each.url)
              << "\n";
    if (each.name == argv[3]) app = &each;
  }
  if (app == nullptr) {
    std::cerr << "no application named " << argv[3] << "\n";
    return 1;
  }

  // What belongs to it, how sure the analysis is, and the room each item takes on disk.
  const corvane::AnalysisSnapshot snapshot = corvane::AppAnalyzer(layout).analyze(*app, apps);
  std::vector<std::string> paths;
  for (const corvane::FileFinding& finding : snapshot.findings) paths.push_back(finding.url.path());
  const corvane::SizeRollup sizes = corvane::rollUpSizes(paths);
  for (std::size_t i = 0; i < snapshot.findings.size(); ++i) {
    const corvane::FileFinding& finding = snapshot.findings[i];
    std::cout << "  " << corvane::stringValue(finding.confidence) << ": " << shown(finding.url) << ", "
              << (sizes.totals[i] ? std::to_string(sizes.totals[i]->allocatedBytes) + " bytes" : "size unknown")
              << "\n";
  }
  std::cout << "  in all " << sizes.sum().allocatedBytes << " bytes\n";

  // The uninstall of what is safe to remove, planned only: prepare reads, perform would move and record.
  corvane::HistoryStore history(corvane::HistoryFileManager::system(), layout);
  const corvane::UninstallSession session(layout, corvane::UninstallCollaborators::system(layout), history);
  const corvane::UninstallPlan plan = session.prepare(app->url, {corvane::UninstallSelection::Tier::safe});
  if (plan.kind != corvane::UninstallPlan::Kind::ready) {
    std::cout << "Nothing to move\n";
    return 0;
  }
  std::cout << "Would move to the Trash:\n";
  for (const corvane::FileFinding& finding : plan.selected) std::cout << "  " << shown(finding.url) << "\n";
  return 0;
}
