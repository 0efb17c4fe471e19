// corvane demo: builds a sample Mac and shows what a user sees.

#include <algorithm>
#include <memory>
#include <ostream>

#include "cli/commands.h"
#include "cli/snapshot_text.h"
#include "corvane/app_analyzer.h"
#include "corvane/app_discovery_service.h"
#include "sample_mac/demo_mac.h"

namespace corvane::cli {

namespace {

void rule(std::ostream& out, const std::string& title) {
  out << "\n" << std::string(78, '=') << "\n" << title << "\n" << std::string(78, '=') << "\n";
}

int demo(const ParsedArguments& args, Context& context) {
  std::unique_ptr<testing::TemporaryFolder> temporary;
  std::string folder;
  if (auto at = args.value("--at")) {
    folder = *at;
    testing::SampleMac::makeFolder(folder);
  } else {
    temporary = std::make_unique<testing::TemporaryFolder>("corvane-demo");
    folder = temporary->path();
  }
  testing::SampleMac mac(folder);
  auto demoApps = testing::buildDemoMac(mac);
  Layout layout = Layout::at(mac.root(), mac.home());

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
    printFindingsByTier(out, snapshot.findings, layout, /*explain=*/true);
  }
  return kExitOK;
}

}  // namespace

Command demoCommand() {
  Command c;
  c.name = "demo";
  c.usage = "demo [--at DIR]";
  c.summary = "Builds a sample Mac (kept in DIR with --at) and shows Corvane analysing three of its apps.";
  c.options.values = {"--at"};
  c.run = demo;
  return c;
}

}  // namespace corvane::cli
