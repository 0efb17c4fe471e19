// corvane orphans: leftovers of apps that are no longer installed, grouped by the app they seem to belong
// to, with the evidence for each and the notes shown above the list.

#include <ostream>

#include "cli/commands.h"
#include "report/json_dialect.h"
#include "cli/location_access.h"
#include "cli/orphan_remove.h"
#include "cli/orphan_state.h"
#include "cli/progress.h"
#include "cli/snapshot_text.h"
#include "cli/terminal_text.h"
#include "corvane/analysis/finding_ids.h"
#include "corvane/orphans/orphan_guidance.h"

namespace corvane::cli {

namespace {

json::Json encode(const OrphanGroup& group) {
  const OrphanGuidanceSummary summary = OrphanGuidance::summary(group.findings);
  json::Json g = json::Json::object();
  g["suspectedBundleIdentifier"] = group.suspectedBundleIdentifier;
  g["headline"] = summary.headline;
  g["points"] = summary.points;
  g["findings"] = json::encode(group.findings);
  return g;
}

// Writes `text` with every line after the first indented by `pad`.
void writeIndented(std::ostream& out, const std::string& text, const char* pad) {
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    out.write(text.data() + start, static_cast<std::streamsize>(end + 1 - start)) << pad;
  out.write(text.data() + start, static_cast<std::streamsize>(text.size() - start));
}

// The scan's JSON form, written group by group so that no document of the whole scan is ever built: the
// same text as the whole printed by printJSON ({"groups": [...], "backgroundItemStoreStatus": {...}}).
void writeJSON(std::ostream& out, const OrphanScanResult& result) {
  out << "{\n  \"groups\": [";
  bool first = true;
  for (const auto& group : result.groups) {
    out << (first ? "\n    " : ",\n    ");
    first = false;
    writeIndented(out, json::pretty(report::inDialect(encode(group))), "    ");
  }
  out << (first ? "]" : "\n  ]") << ",\n  \"backgroundItemStoreStatus\": ";
  writeIndented(out, json::pretty(report::inDialect(encodeStoreStatus(result.backgroundItemStoreStatus))), "  ");
  out << "\n}\n";
}

void printText(std::ostream& out, const OrphanScanResult& result, const Layout& layout, bool colour) {
  if (result.groups.empty()) {
    out << "No leftovers of removed apps found.\n";
    return;
  }
  bool first = true;
  for (const auto& group : result.groups) {
    const OrphanGuidanceSummary summary = OrphanGuidance::summary(group.findings);
    out << (first ? "" : "\n") << group.suspectedBundleIdentifier << "\n  " << summary.headline << "\n";
    first = false;
    for (const auto& f : group.findings) {
      out << "  " << FindingIDs::shortForm(f.id) << "  " << tierName(f.confidence, colour) << " · " << stringValue(f.kind)
          << " · " << displayPath(f.url, layout) << "\n";
      for (const auto& e : f.evidence) out << "            " << e.explanation << "\n";
    }
    for (const auto& point : summary.points) out << "  * " << forTerminal(point) << "\n";
  }
}

int orphans(const ParsedArguments& args, Context& context) {
  if (!applyScope(args, context, "orphans")) return kExitUsage;
  if (!args.positional.empty()) {
    if (args.positional[0] == "remove") return removeOrphans(args, context);
    context.err << "corvane orphans: unknown sub-command " << args.positional[0] << " (usage: corvane " << context.usage
                << ")\n";
    return kExitUsage;
  }
  for (const char* option : {"--select", "--dry-run", "--yes"})
    if (args.has(option) || args.value(option)) {
      context.err << "corvane orphans: " << option << " goes with orphans remove (usage: corvane " << context.usage
                  << ")\n";
      return kExitUsage;
    }
  OrphanScanResult result;
  {
    ScanProgress progress(context.err, context.terminal.progress && !args.has("--json"), std::chrono::steady_clock::now,
                          std::chrono::seconds(1), "Scanning");
    result = scanOrphans(context.layout, [&progress](std::uint64_t examined) { progress.report(examined); });
  }
  if (reportIncompleteScan(result.unreadableApplicationFolders, context, "orphans", "nothing is listed"))
    return kExitFailure;
  if (args.has("--json")) {
    writeJSON(context.out, result);
  } else {
    printText(context.out, result, context.shown(), context.terminal.colour);
    printUnreadLocations(context.out, context.layout);
  }
  return kExitOK;
}

}  // namespace

Command orphansCommand() {
  Command c;
  c.name = "orphans";
  c.usage = "orphans [remove KEY|ID... [--select probable|all] [--dry-run] [--yes]] [--json] [--scope UUID]";
  c.summary = "Lists leftovers of apps that are no longer installed, with the evidence for each; remove moves the "
              "groups or items you name to the Trash, after confirming, and records it in the history.";
  c.options.flags = {"--json", "--dry-run", "--yes"};
  c.options.values = {"--scope", "--select"};
  c.options.maxPositional = 4096;
  c.options.layout = true;
  c.run = orphans;
  c.words = {"remove"};
  c.optionDocs = {
      {"--json", "", "prints the groups and the background-items store's status as JSON (remove: the record, or the "
                     "selection with --dry-run); see docs/json.md", {}},
      {"--scope", "UUID", "reads the background items of this login scope (default: the current user's)", {}},
      {"--select", "TIER",
       "remove: what a named group gives: probable (its Probably Leftover items; the default) or all (its items to "
       "review too); an item named by its id is taken whatever its tier",
       {"probable", "all"}},
      {"--dry-run", "", "remove: lists what would move, and moves nothing", {}},
      {"--yes", "", "remove: moves without asking first", {}},
  };
  return c;
}

}  // namespace corvane::cli
