// corvane orphans: leftovers of apps that are no longer installed, grouped by the app they seem to belong
// to, with the evidence for each and the notes shown above the list.

#include <ostream>

#include "cli/commands.h"
#include "cli/orphan_state.h"
#include "cli/snapshot_text.h"
#include "corvane/orphans/orphan_guidance.h"

namespace corvane::cli {

namespace {

json::Json encode(const OrphanScanResult& result) {
  json::Json groups = json::Json::array();
  for (const auto& group : result.groups) {
    const OrphanGuidanceSummary summary = OrphanGuidance::summary(group.findings);
    json::Json g = json::Json::object();
    g["suspectedBundleIdentifier"] = group.suspectedBundleIdentifier;
    g["headline"] = summary.headline;
    g["points"] = summary.points;
    g["findings"] = json::encode(group.findings);
    groups.push_back(std::move(g));
  }
  json::Json j = json::Json::object();
  j["groups"] = std::move(groups);
  j["backgroundItemStoreStatus"] = encodeStoreStatus(result.backgroundItemStoreStatus);
  return j;
}

void printText(std::ostream& out, const OrphanScanResult& result, const Layout& layout) {
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
      out << "  - " << stringValue(f.confidence) << " · " << stringValue(f.kind) << " · " << displayPath(f.url, layout)
          << "\n";
      for (const auto& e : f.evidence) out << "      " << e.explanation << "\n";
    }
    for (const auto& point : summary.points) out << "  * " << point << "\n";
  }
}

int orphans(const ParsedArguments& args, Context& context) {
  if (!applyScope(args, context, "orphans")) return kExitUsage;
  const OrphanScanResult result = scanOrphans(context.layout);
  if (reportIncompleteScan(result.unreadableApplicationFolders, context, "orphans", "nothing is listed"))
    return kExitFailure;
  if (args.has("--json")) {
    context.out << json::pretty(encode(result)) << "\n";
  } else {
    printText(context.out, result, context.layout);
  }
  return kExitOK;
}

}  // namespace

Command orphansCommand() {
  Command c;
  c.name = "orphans";
  c.usage = "orphans [--json] [--scope UUID]";
  c.summary = "Lists leftovers of apps that are no longer installed, with the evidence for each.";
  c.options.flags = {"--json"};
  c.options.values = {"--scope"};
  c.options.layout = true;
  c.run = orphans;
  return c;
}

}  // namespace corvane::cli
