#include "cli/orphan_remove.h"

#include <ostream>

#include "cli/finding_sizes.h"
#include "cli/prompt.h"
#include "cli/snapshot_text.h"
#include "corvane/history/history_store.h"
#include "corvane/uninstall/orphan_removal_session.h"
#include "report/json_dialect.h"
#include "report/orphan_removal_text.h"

namespace corvane::cli {

namespace {

constexpr const char* kCommand = "corvane orphans remove: ";

std::optional<OrphanSelection::Tier> selectedTier(const ParsedArguments& args, Context& context) {
  auto tier = args.value("--select");
  if (!tier || *tier == "probable") return OrphanSelection::Tier::probable;
  if (*tier == "all") return OrphanSelection::Tier::all;
  context.err << kCommand << "--select takes probable or all, not " << *tier << "\n";
  return std::nullopt;
}

// Moves the plan's findings and tells what moved; the exit status.
int perform(const ParsedArguments& args, Context& context, const OrphanRemovalSession& session,
            const OrphanRemovalPlan& plan, const FindingSizes& sizes, const HistoryStore& history) {
  const bool asJSON = args.has("--json");
  std::ostream& text = asJSON ? context.err : context.out;
  const OrphanRemovalResult result = session.perform(plan);
  printTrashOperations(text, result.record.operations, context.shown());
  const SizeTotal freed = totalOf(OrphanRemovalSession::moved(plan, result.record), sizes);
  text << report::removalMoved(result, freed) << "\n";
  const bool recorded = result.kind == OrphanRemovalResult::Kind::recorded;
  if (recorded) rememberFreed(history.fileURL().path(), result.record.id.toString(), freed);
  else context.err << kCommand << report::removalNotRecorded(*result.historyError, history.fileURL().path()) << "\n";
  if (asJSON) report::printJSON(context.out, json::encode(result.record));
  return recorded && result.allMoved() ? kExitOK : kExitFailure;
}

}  // namespace

int removeOrphans(const ParsedArguments& args, Context& context) {
  const auto tier = selectedTier(args, context);
  if (!tier) return kExitUsage;
  const std::vector<std::string> names(args.positional.begin() + 1, args.positional.end());
  if (names.empty()) {
    context.err << kCommand << "name the groups (their keys) or items (their ids) to remove; see "
                << "corvane orphans (usage: corvane " << context.usage << ")\n";
    return kExitUsage;
  }
  const bool asJSON = args.has("--json"), dryRun = args.has("--dry-run");
  std::ostream& text = asJSON ? context.err : context.out;
  const std::vector<OrphanGroup> groups = OrphanRemovalSession::candidateGroups(context.layout, names);
  HistoryStore history(HistoryFileManager::system(), context.layout);
  OrphanRemovalSession session(context.layout, UninstallCollaborators::system(context.layout), history);
  const OrphanRemovalPlan plan = session.prepare(groups, OrphanRemovalSession::selection(groups, names, *tier));
  if (const std::string refusal = report::removalRefusal(plan); !refusal.empty()) {
    context.err << kCommand << refusal << "\n";
    return kExitFailure;
  }
  if (plan.kind == OrphanRemovalPlan::Kind::nothingSelected) {
    text << report::nothingToMove(*tier) << "\n";
    if (asJSON && dryRun) report::printJSON(context.out, json::Json::array());
    return kExitOK;
  }
  const FindingSizes sizes = rollUpFindingSizes(plan.selected);
  report::printRemovalPlan(text, plan, sizes, context.shown(), context.terminal.colour && !asJSON);
  if (dryRun) {
    text << "Dry run: nothing was moved.\n";
    if (asJSON) report::printJSON(context.out, json::encode(plan.selected));
    return kExitOK;
  }
  if (!args.has("--yes")) {
    text << report::removalQuestion(plan) << std::flush;
    if (!answeredYes(context.in)) {
      text << "Cancelled. Nothing was moved.\n";
      return kExitFailure;
    }
  }
  return perform(args, context, session, plan, sizes, history);
}

}  // namespace corvane::cli
