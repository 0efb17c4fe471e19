// corvane analyze APP: the snapshot of one app; corvane explain: how the grading works.

#include <map>
#include <ostream>

#include "cli/accepted_names.h"
#include "cli/commands.h"
#include "report/json_dialect.h"
#include "cli/location_access.h"
#include "cli/orphan_state.h"
#include "cli/progress.h"
#include "cli/terminal_text.h"
#include "cli/snapshot_text.h"
#include "corvane/analysis/app_analyzer.h"
#include "corvane/analysis/finding_ids.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/analysis/finding_arranger.h"
#include "corvane/model/json_forms.h"
#include "corvane/analysis/transparency_content.h"
#include "corvane/discovery/installed_app_catalog.h"
#include "corvane/orphans/removed_app_leftovers.h"

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

// Sorted by the sizes shown, each finding's total on disk, rather than by its own entry's size.
std::vector<FileFinding> arrangedByTotal(std::vector<FileFinding> findings, const FindingSizes& sizes,
                                         FindingSortDirection direction) {
  std::map<Uuid, std::optional<std::int64_t>> own;
  for (auto& f : findings) {
    own[f.id] = f.byteCount;
    auto total = sizes.find(f.id.toString());
    f.byteCount = total == sizes.end() ? std::nullopt : std::optional<std::int64_t>(total->second.allocatedBytes);
  }
  findings = FindingArranger::arrange(std::move(findings), FindingSortKey::size, direction);
  for (auto& f : findings) f.byteCount = own[f.id];
  return findings;
}

// The snapshot, every finding with its total on disk beside its entry's own size.
json::Json snapshotJSON(const AnalysisSnapshot& snapshot, const FindingSizes& sizes) {
  json::Json doc = json::encode(snapshot);
  doc["findings"] = findingsJSON(snapshot.findings, sizes);
  return doc;
}

int analyze(const ParsedArguments& args, Context& context) {
  FindingSortKey sort = FindingSortKey::recommended;
  if (auto value = args.value("--sort")) {
    auto key = sortKey(*value);
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
  {
    ScanProgress progress(context.err, context.terminal.progress && !args.has("--json"), std::chrono::steady_clock::now,
                          std::chrono::seconds(1), "Analysing");
    AppAnalyzer::Collaborators machine;
    machine.fileSystem = std::make_shared<CountingFileSystem>(platform::sharedRealFileSystem(), progress);
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
      snapshot = RemovedAppLeftovers::analyze(context.layout, *known, installed, gone, std::move(machine), analysis);
    } else {
      AppDiscoveryService discovery(context.layout);
      Url appURL = Url::fileURL(args.positional[0]).standardized();
      InstalledApplication app = discovery.makeApplication(appURL);
      for (const auto& a : installed)
        if (a.url.standardized() == appURL) app = a;
      snapshot = AppAnalyzer(context.layout, std::move(machine), analysis).analyze(app, installed);
    }
  }
  FindingIDs::assign(snapshot, context.layout);
  for (auto& f : withheld) f.id = FindingIDs::forItem(snapshot.identity, FindingIDs::macStylePath(f.url.path(), context.layout));

  FindingSizes sizes;
  {
    ScanProgress progress(context.err, context.terminal.progress && !args.has("--json"));
    sizes = rollUpFindingSizes(snapshot.findings, progress.callback());
  }
  snapshot.findings = sort == FindingSortKey::size ? arrangedByTotal(std::move(snapshot.findings), sizes, direction)
                                                   : FindingArranger::arrange(std::move(snapshot.findings), sort, direction);

  if (args.has("--json")) {
    report::printJSON(context.out, snapshotJSON(snapshot, sizes));
    return kExitOK;
  }
  const Layout shown = context.shown();
  printSnapshotHeader(context.out, snapshot, shown);
  context.out << "\n";
  printFindings(context.out, snapshot.findings, shown, args.has("--explain"), &sizes, context.terminal.colour);
  if (!snapshot.findings.empty()) {
    context.out << "\n";
    printTierTotals(context.out, snapshot.findings, sizes, context.terminal.colour);
  }
  if (args.has("--explain") && !withheld.empty()) {
    // What the names alone would have offered, and why it is not.
    context.out << "\nNot offered, the system's own or shared by many apps (" << withheld.size() << ")\n";
    printFindings(context.out, withheld, shown, true, nullptr, context.terminal.colour);
  }
  printUnreadLocations(context.out, context.layout);
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
