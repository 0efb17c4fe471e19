// corvane demo: builds a sample Mac and shows what a user sees.

#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>

#include "cli/commands.h"
#include "cli/snapshot_text.h"
#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/history/history_store.h"
#include "sample_mac/demo_mac.h"
#include "sample_mac/ds_store_writer.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/launchctl_stand_in.h"
#include "sample_mac/orphaned_mac.h"
#include "sample_mac/stale_records.h"
#include "platform/user.h"

namespace corvane::cli {

namespace {

void rule(std::ostream& out, const std::string& title) {
  out << "\n" << std::string(78, '=') << "\n" << title << "\n" << std::string(78, '=') << "\n";
}

// Uninstalls one sample app as `corvane uninstall APP --select probable --yes` would, then shows its history
// entry, what is now in the sample Trash and what the analysis afterwards still found; then lists the
// Trash with advice on each item and undoes the uninstall with `corvane restore`.
int uninstallOne(Context& context, const std::vector<InstalledApplication>& installed, const Layout& layout,
                 const std::string& name, const testing::LaunchctlStandIn& launchctl) {
  auto it = std::find_if(installed.begin(), installed.end(), [&](const InstalledApplication& a) { return a.name == name; });
  if (it == installed.end()) return kExitOK;
  std::ostream& out = context.out;
  rule(out, "Uninstalling " + name + " (corvane uninstall APP --select probable --yes)");
  std::istringstream noInput;
  int status = run({"uninstall", it->url.path(), "--select", "probable", "--yes", "--launchctl", launchctl.script, "--root",
                    layout.root, "--home", layout.home},
                   out, context.err, noInput);
  if (status != kExitOK) return status;

  HistoryStore history(HistoryFileManager::system(), layout);
  if (history.records().empty()) return kExitFailure;
  const UninstallRecord& record = history.records().front();
  rule(out, "The history entry (corvane history show ID)");
  status = run({"history", "show", record.id.toString(), "--home", layout.home}, out, context.err, noInput);
  if (status != kExitOK) return status;

  if (record.postRemovalSnapshot) {
    rule(out, "What stayed behind (the analysis right after the removal)");
    printSnapshotHeader(out, *record.postRemovalSnapshot, layout);
    const FindingSizes sizes = rollUpFindingSizes(record.postRemovalSnapshot->findings);
    printFindingsByTier(out, record.postRemovalSnapshot->findings, layout, /*explain=*/false, &sizes);
  }

  rule(out, "The sample Trash, with advice on each item (corvane trash)");
  status = run({"trash", "--root", layout.root, "--home", layout.home}, out, context.err, noInput);
  if (status != kExitOK) return status;

  const std::size_t callsBefore = launchctl.calls().size();
  rule(out, "Undoing the uninstall (corvane restore ID)");
  status = run({"restore", record.id.toString(), "--launchctl", launchctl.script, "--root", layout.root, "--home", layout.home},
               out, context.err, noInput);
  out << "\n" << name << ".app is back in /Applications: "
      << (std::filesystem::exists(it->url.path()) ? "yes" : "no") << "\nlaunchctl calls of the restore:\n";
  for (const auto& call : launchctl.calls(callsBefore)) out << "  " << call << "\n";
  return status;
}

int demo(const ParsedArguments& args, Context& context) {
  std::unique_ptr<testing::TemporaryFolder> temporary;
  std::string folder;
  if (auto at = args.value("--at")) {
    folder = *at;
    // The demo builds its Mac in a folder of its own; it never writes among files that are already there
    // (an earlier demo's included: its moves and history would no longer match what is shown).
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(folder, ec))) {
      if (!std::filesystem::is_directory(folder, ec)) {
        context.err << "corvane demo: --at " << folder << " is not a folder (usage: corvane " << context.usage << ")\n";
        return kExitUsage;
      }
      if (!std::filesystem::is_empty(folder, ec) || ec) {
        context.err << "corvane demo: " << folder
                    << " is not empty (an earlier demo?); give a new or empty folder. Nothing was written.\n";
        return kExitFailure;
      }
    }
    testing::SampleMac::makeFolder(folder);
  } else {
    temporary = std::make_unique<testing::TemporaryFolder>("corvane-demo");
    folder = temporary->path();
  }
  testing::SampleMac mac(folder);
  auto demoApps = testing::buildDemoMac(mac);
  // Apps removed long ago (some by dragging them to the Trash) left files and system records behind.
  testing::addRemovedAppLeftovers(mac);
  testing::addStaleSystemRecords(mac);
  Layout layout = Layout::at(mac.root(), mac.home(), platform::currentUserID());

  std::ostream& out = context.out;
  out << "Built a sample Mac with " << demoApps.size() << " apps in " << folder << "\n";
  if (temporary)
    out << "(it is removed when the demo ends; run `corvane demo --at DIR` to keep it and point other commands at\n"
           " it with --root DIR/root --home DIR/home)\n";

  AppDiscoveryService discovery(layout);
  auto installed = discovery.discover();
  rule(out, "Installed applications (" + std::to_string(installed.size()) + ")");
  for (const auto& app : installed) {
    out << "  " << app.name;
    if (app.version) out << " " << *app.version;
    out << "  " << app.bundleIdentifier.value_or("(no identifier)");
    if (app.isSystemApplication) out << "  [system]";
    out << "\n";
  }

  AppAnalyzer analyzer(layout);
  for (const char* name : {"Northwind Writer", "Beacon VPN", "Pebble Notes"}) {
    auto it = std::find_if(installed.begin(), installed.end(), [&](const InstalledApplication& a) { return a.name == name; });
    if (it == installed.end()) continue;
    AnalysisSnapshot snapshot = analyzer.analyze(*it, installed);
    rule(out, std::string("Analysis of ") + name);
    printSnapshotHeader(out, snapshot, layout);
    const FindingSizes sizes = rollUpFindingSizes(snapshot.findings);
    printFindingsByTier(out, snapshot.findings, layout, /*explain=*/true, &sizes);
  }

  // Things the user threw away earlier, moved by the file manager with their Put Back records.
  for (const char* name : {"Setup Helper 2.4.dmg", "Screenshot 2026-11-30 at 10.02.14.png", "node_modules", "Q3 Report.pdf"})
    testing::SampleMac::writeFile(layout.userTrash() + "/" + name + (std::string(name) == "node_modules" ? "/left-pad/index.js" : ""),
                                  std::string(20000, 'x'));
  testing::writeTrashDSStore(layout.userTrash(),
                             {{"Setup Helper 2.4.dmg", "Users/demo/Downloads/", std::nullopt},
                              {"Screenshot 2026-11-30 at 10.02.14.png", "Users/demo/Desktop/", std::nullopt},
                              {"node_modules", "Users/demo/Projects/site/", std::nullopt},
                              {"Q3 Report.pdf", "Users/demo/Documents/", "Q3 Report.pdf"}});
  const auto launchctl = testing::LaunchctlStandIn::write(folder, {"com.dropzone.sync.agent"});
  (void)testing::recordGlimmerUninstall(mac);
  rule(out, "Leftovers of apps that are no longer installed (corvane orphans)");
  std::istringstream noInput;
  if (int status = run({"orphans", "--root", layout.root, "--home", layout.home, "--scope", testing::kDemoUserScope}, out,
                       context.err, noInput);
      status != kExitOK)
    return status;

  return uninstallOne(context, installed, layout, "Dropzone Sync", launchctl);
}

}  // namespace

Command demoCommand() {
  Command c;
  c.name = "demo";
  c.usage = "demo [--at DIR]";
  c.summary = "Builds a sample Mac (kept in DIR with --at) and shows Corvane analysing three of its apps, uninstalling one, "
              "listing the Trash and undoing the uninstall.";
  c.options.values = {"--at"};
  c.options.paths = {"--at"};
  c.run = demo;
  return c;
}

}  // namespace corvane::cli
