// corvane analyze APP: the snapshot of one app; corvane explain: how the grading works.

#include <ostream>

#include "cli/commands.h"
#include "cli/orphan_state.h"
#include "cli/progress.h"
#include "cli/snapshot_text.h"
#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/analysis/finding_arranger.h"
#include "corvane/model/json_forms.h"
#include "corvane/analysis/transparency_content.h"
#include "corvane/discovery/installed_app_catalog.h"
#include "corvane/orphans/removed_app_leftovers.h"

namespace corvane::cli {

namespace {

int analyze(const ParsedArguments& args, Context& context) {
  FindingSortKey sort = FindingSortKey::recommended;
  if (auto value = args.value("--sort")) {
    auto key = findingSortKeyFromString(*value);
    if (!key) {
      context.err << "corvane analyze: unknown sort " << *value << " (recommended, name, size or dateModified)\n";
      return kExitUsage;
    }
    sort = *key;
  }
  if (args.has("--ascending") && args.has("--descending")) {
    context.err << "corvane analyze: --ascending and --descending cannot be used together\n";
    return kExitUsage;
  }
  FindingSortDirection direction = defaultDirection(sort);
  if (args.has("--ascending")) direction = FindingSortDirection::ascending;
  if (args.has("--descending")) direction = FindingSortDirection::descending;

  const auto removed = args.value("--removed");
  if (removed.has_value() == !args.positional.empty()) {
    context.err << "corvane analyze: give either APP or --removed BUNDLE-ID (usage: corvane " << context.usage << ")\n";
    return kExitUsage;
  }
  AppAnalyzer::Options analysis;
  analysis.extendedMatching = analysis.systemOwnership = !args.has("--base-rules-only");
  std::vector<FileFinding> withheld;  // for the record, under --explain
  analysis.withheld = [&withheld](FileFinding f) { withheld.push_back(std::move(f)); };
  std::vector<InstalledApplication> installed = listApps(context.layout);
  AnalysisSnapshot snapshot;
  if (removed) {
    // A gone app, from what the catalog remembers of it.
    auto known = InstalledAppCatalog(context.layout).find(*removed);
    if (!known) {
      context.err << "corvane analyze: no app with the bundle identifier " << *removed
                  << " was ever listed here (Corvane remembers the apps it lists: corvane apps, analyze, orphans, "
                     "watch)\n";
      return kExitFailure;
    }
    const auto gone = InstalledAppCatalog::removed(InstalledAppCatalog(context.layout).load(), installed);
    snapshot = RemovedAppLeftovers::analyze(context.layout, *known, installed, gone, {}, analysis);
  } else {
    AppDiscoveryService discovery(context.layout);
    Url appURL = Url::fileURL(args.positional[0]).standardized();
    InstalledApplication app = discovery.makeApplication(appURL);
    for (const auto& a : installed)
      if (a.url.standardized() == appURL) app = a;
    snapshot = AppAnalyzer(context.layout, {}, analysis).analyze(app, installed);
  }
  snapshot.findings = FindingArranger::arrange(std::move(snapshot.findings), sort, direction);

  FindingSizes sizes;
  {
    ScanProgress progress(context.err, context.terminal.progress && !args.has("--json"));
    sizes = rollUpFindingSizes(snapshot.findings, progress.callback());
  }

  if (args.has("--json")) {
    // The snapshot in its own form, the totals beside it.
    context.out << "{\n\"snapshot\": " << toJSON(snapshot, JsonLayout::pretty) << ",\n\"sizes\": " << sizesJSON(sizes)
                << "\n}\n";
    return kExitOK;
  }
  printSnapshotHeader(context.out, snapshot, context.layout);
  context.out << "\n";
  printFindings(context.out, snapshot.findings, context.layout, args.has("--explain"), &sizes, context.terminal.colour);
  if (!snapshot.findings.empty()) {
    context.out << "\n";
    printTierTotals(context.out, snapshot.findings, sizes, context.terminal.colour);
  }
  if (args.has("--explain") && !withheld.empty()) {
    // What the names alone would have offered, and why it is not.
    context.out << "\nNot offered, the system's own or shared by many apps (" << withheld.size() << ")\n";
    printFindings(context.out, withheld, context.layout, true, nullptr, context.terminal.colour);
  }
  return kExitOK;
}

int explain(const ParsedArguments&, Context& context) {
  TransparencyContent content = TransparencyContent::current();
  context.out << content.title << "\n";
  for (const auto& section : content.sections) context.out << "\n" << section.title << "\n" << section.body << "\n";
  return kExitOK;
}

}  // namespace

Command analyzeCommand() {
  Command c;
  c.name = "analyze";
  c.usage = "analyze APP|--removed BUNDLE-ID [--json] [--sort recommended|name|size|dateModified] [--ascending|--descending] [--explain] "
            "[--base-rules-only]";
  c.summary = "Finds what belongs to an app, or to a gone app it once listed (--removed), and grades each item, with the evidence for it.";
  c.options.flags = {"--json", "--ascending", "--descending", "--explain", "--base-rules-only"};
  c.options.values = {"--sort", "--removed"};
  c.options.minPositional = 0;
  c.options.maxPositional = 1;
  c.options.positionalPaths = true;
  c.options.appArgument = true;
  c.options.layout = true;
  c.options.readsInstalledApps = true;
  c.run = analyze;
  return c;
}

Command explainCommand() {
  Command c;
  c.name = "explain";
  c.usage = "explain";
  c.summary = "Explains how Corvane decides what is safe to remove.";
  c.run = explain;
  return c;
}

}  // namespace corvane::cli
