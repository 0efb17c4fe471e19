// corvane analyze APP: the snapshot of one app; corvane explain: how the grading works.

#include <ostream>

#include "cli/commands.h"
#include "cli/progress.h"
#include "cli/snapshot_text.h"
#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/analysis/finding_arranger.h"
#include "corvane/model/json_forms.h"
#include "corvane/analysis/transparency_content.h"

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

  AppDiscoveryService discovery(context.layout);
  Url appURL = Url::fileURL(args.positional[0]).standardized();
  InstalledApplication app = discovery.makeApplication(appURL);
  std::vector<InstalledApplication> installed = discovery.discover();
  for (const auto& a : installed)
    if (a.url.standardized() == appURL) app = a;

  AppAnalyzer::Options analysis;
  analysis.extendedMatching = analysis.systemOwnership = !args.has("--base-rules-only");
  std::vector<FileFinding> withheld;  // for the record, under --explain
  analysis.withheld = [&withheld](FileFinding f) { withheld.push_back(std::move(f)); };
  AppAnalyzer analyzer(context.layout, {}, analysis);
  AnalysisSnapshot snapshot = analyzer.analyze(app, installed);
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
  c.usage = "analyze APP [--json] [--sort recommended|name|size|dateModified] [--ascending|--descending] [--explain] "
            "[--base-rules-only]";
  c.summary = "Finds what belongs to an app and grades each item, with the evidence for it.";
  c.options.flags = {"--json", "--ascending", "--descending", "--explain", "--base-rules-only"};
  c.options.values = {"--sort"};
  c.options.minPositional = 1;
  c.options.maxPositional = 1;
  c.options.positionalPaths = true;
  c.options.appArgument = true;
  c.options.layout = true;
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
