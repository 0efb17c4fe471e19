// corvane assess: the match engine's verdict on one path for a given application, with the tier it earns.

#include <ostream>

#include "cli/accepted_names.h"
#include "cli/commands.h"
#include "corvane/analysis/path_assessment.h"
#include "report/assessment_report.h"
#include "report/json_dialect.h"

namespace corvane::cli {

namespace {

const char* const kUsage =
    "assess PATH --name NAME [--bundle-id ID] [--signing-id ID] [--team-id ID] [--kind KIND] [--protected] "
    "[--running] [--json]";

int usageError(Context& c, const std::string& problem) {
  c.err << "corvane assess: " << problem << " (usage: corvane " << kUsage << ")\n";
  return kExitUsage;
}

int runAssess(const ParsedArguments& args, Context& c) {
  const std::string& path = args.positional.at(0);
  if (path.empty() || path.front() != '/') return usageError(c, "PATH must be an absolute path");
  auto name = args.value("--name");
  if (!name) return usageError(c, "missing --name NAME");

  FindingKind kind = FindingKind::other;
  if (auto kindName = args.value("--kind")) {
    std::vector<std::vector<std::string>> names;
    for (auto k : kAllFindingKinds) names.push_back({std::string(caseName(k)), std::string(stringValue(k))});
    auto index = acceptedIndex(*kindName, names);
    if (!index) return usageError(c, "unknown kind " + *kindName);
    kind = kAllFindingKinds[*index];
  }

  AppIdentity identity;
  identity.name = *name;
  identity.bundleIdentifier = args.value("--bundle-id");
  identity.signingIdentifier = args.value("--signing-id");
  identity.teamIdentifier = args.value("--team-id");

  const PathAssessment assessment =
      assessPath(Url::fileURL(path), identity, kind, args.has("--protected"), args.has("--running"));
  if (args.has("--json"))
    report::printJSON(c.out, report::assessmentJSON(assessment));
  else
    report::printAssessment(c.out, assessment);
  return kExitOK;
}

}  // namespace

Command assessCommand() {
  Command command;
  command.name = "assess";
  command.usage = kUsage;
  command.summary = "Shows the evidence that a path belongs to an app, its score and the tier it earns.";
  command.options.flags = {"--protected", "--running", "--json"};
  std::vector<std::string> kinds;
  std::string kindList;
  for (auto kind : kAllFindingKinds) {
    kinds.emplace_back(caseName(kind));
    kindList += (kindList.empty() ? "" : ", ") + std::string(caseName(kind)) + " (" + std::string(stringValue(kind)) + ")";
  }
  command.optionDocs = {
      {"--name", "NAME", "the app's name (required)", {}},
      {"--bundle-id", "ID", "the app's bundle identifier", {}},
      {"--signing-id", "ID", "the app's signing identifier", {}},
      {"--team-id", "ID", "the app's developer team", {}},
      {"--kind", "KIND",
       "what kind of item PATH is (default: other), as JSON writes it or as analyze shows it, any case: " + kindList,
       kinds},
      {"--protected", "", "PATH is in a system-level location", {}},
      {"--running", "", "the app is running", {}},
      {"--json", "", "prints the evidence, score and tier as JSON; see docs/json.md", {}},
  };
  command.options.values = {"--name", "--bundle-id", "--signing-id", "--team-id", "--kind"};
  command.options.minPositional = 1;
  command.options.maxPositional = 1;
  command.run = runAssess;
  return command;
}

}  // namespace corvane::cli
