// corvane analyze APP: the snapshot of one app; corvane explain: how the grading works.

#include <ostream>

#include "cli/accepted_names.h"
#include "cli/commands.h"
#include "report/json_dialect.h"
#include "cli/location_access.h"
#include "cli/orphan_state.h"
#include "cli/progress.h"
#include "cli/terminal_text.h"
#include "cli/snapshot_text.h"
#include "corvane/analysis/finding_arranger.h"
#include "corvane/analysis/transparency_content.h"
#include "corvane/uninstall/app_analysis.h"

namespace corvane::cli {

namespace {

// The sort keys, each under its JSON value and its label.
std::optional<FindingSortKey> sortKey(const std::string& text) {
  std::vector<std::vector<std::string>> names;
  for (auto key : kAllFindingSortKeys) names.push_back({std::string(stringValue(key)), std::string(label(key))});
  auto index = acceptedIndex(text, names);
  if (!index) return std::nullopt;
  return kAllFindingSortKeys[*index];
}

struct Sorting {
  FindingSortKey key = FindingSortKey::recommended;
  FindingSortDirection direction = FindingSortDirection::descending;
};

// --sort, --ascending and --descending; none after saying what is wrong with them.
std::optional<Sorting> sorting(const ParsedArguments& args, Context& context) {
  Sorting sort;
  if (auto value = args.value("--sort")) {
    auto key = sortKey(*value);
    if (!key) {
      context.err << "corvane analyze: unknown sort " << *value << " (recommended, name, size or dateModified)\n";
      return std::nullopt;
    }
    sort.key = *key;
  }
  if (args.has("--ascending") && args.has("--descending")) {
    context.err << "corvane analyze: --ascending and --descending cannot be used together\n";
    return std::nullopt;
  }
  sort.direction = defaultDirection(sort.key);
  if (args.has("--ascending")) sort.direction = FindingSortDirection::ascending;
  if (args.has("--descending")) sort.direction = FindingSortDirection::descending;
  return sort;
}

AppAnalysis analysed(const ParsedArguments& args, Context& context, const std::optional<std::string>& removed) {
  const std::vector<InstalledApplication> installed = listApps(context.layout);
  ScanProgress progress(context.err, context.terminal.progress && !args.has("--json"), std::chrono::steady_clock::now,
                        std::chrono::seconds(1), "Analysing");
  AppAnalyzer::Collaborators machine;
  machine.fileSystem = std::make_shared<CountingFileSystem>(platform::sharedRealFileSystem(), progress);
  const AppAnalysisRequest request{removed ? Url() : Url::fileURL(args.positional[0]), removed,
                                   args.has("--base-rules-only")};
  return analyzeApp(context.layout, installed, request, std::move(machine));
}

void printText(Context& context, const AppAnalysis& analysis, const FindingSizes& sizes, bool explain) {
  const Layout shown = context.shown();
  const std::vector<FileFinding>& findings = analysis.snapshot.findings;
  printSnapshotHeader(context.out, analysis.snapshot, shown);
  context.out << "\n";
  printFindings(context.out, findings, shown, explain, &sizes, context.terminal.colour);
  if (!findings.empty()) {
    context.out << "\n";
    printTierTotals(context.out, findings, sizes, context.terminal.colour);
  }
  if (explain && !analysis.withheld.empty()) {
    // What the names alone would have offered, and why it is not.
    context.out << "\nNot offered, the system's own or shared by many apps (" << analysis.withheld.size() << ")\n";
    printFindings(context.out, analysis.withheld, shown, true, nullptr, context.terminal.colour);
  }
  printUnreadLocations(context.out, context.layout);
}

int analyze(const ParsedArguments& args, Context& context) {
  const std::optional<Sorting> sort = sorting(args, context);
  if (!sort) return kExitUsage;
  const auto removed = args.value("--removed");
  if (removed.has_value() == !args.positional.empty()) {
    context.err << "corvane analyze: give either APP or --removed BUNDLE-ID (usage: corvane " << context.usage << ")\n";
    return kExitUsage;
  }
  AppAnalysis analysis = analysed(args, context, removed);
  if (analysis.kind == AppAnalysis::Kind::neverListed) {
    context.err << "corvane analyze: no app with the bundle identifier " << *removed
                << " was ever listed here (Corvane remembers the apps it lists: corvane apps, analyze, orphans, "
                   "watch)\n";
    return kExitFailure;
  }
  std::vector<FileFinding>& findings = analysis.snapshot.findings;
  FindingSizes sizes;
  {
    ScanProgress progress(context.err, context.terminal.progress && !args.has("--json"));
    sizes = rollUpFindingSizes(findings, progress.callback());
  }
  findings = sort->key == FindingSortKey::size ? report::arrangedByTotal(std::move(findings), sizes, sort->direction)
                                               : FindingArranger::arrange(std::move(findings), sort->key, sort->direction);
  if (args.has("--json"))
    report::printJSON(context.out, report::snapshotJSON(analysis.snapshot, sizes));
  else
    printText(context, analysis, sizes, args.has("--explain"));
  return kExitOK;
}

int explain(const ParsedArguments&, Context& context) {
  TransparencyContent content = TransparencyContent::current();
  context.out << content.title << "\n";
  for (const auto& section : content.sections)
    context.out << "\n" << section.title << "\n" << forTerminal(section.body) << "\n";
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
  c.operand = Operand::app;
  c.optionDocs = {
      {"--removed", "BUNDLE-ID", "analyses a gone app instead, from what Corvane remembers of it (its leftovers)", {}},
      {"--json", "", "prints the snapshot as JSON (see docs/json.md) instead of the listing", {}},
      {"--sort", "KEY",
       "orders the findings by KEY: recommended (tier, then score; the default), name, size (the total shown) or "
       "dateModified; any case, or as labelled (\"Date modified\")",
       {"recommended", "name", "size", "dateModified"}},
      {"--ascending", "", "sorts smallest, earliest or least safe first", {}},
      {"--descending", "", "sorts largest, latest or safest first (each key has its own default)", {}},
      {"--explain", "", "lists the evidence below each finding, with its weight", {}},
      {"--base-rules-only", "", "matches with the base rules only, without the extended matching", {}},
  };
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
