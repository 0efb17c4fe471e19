#include "cli/orphan_remove.h"

#include <cstring>
#include <ostream>

#include "corvane/analysis/finding_ids.h"
#include "cli/finding_sizes.h"
#include "report/json_dialect.h"
#include "cli/orphan_state.h"
#include "cli/prompt.h"
#include "cli/snapshot_text.h"
#include "corvane/discovery/installed_app_catalog.h"
#include "corvane/history/history_store.h"
#include "corvane/orphans/removed_app_leftovers.h"
#include "corvane/uninstall/orphan_removal_session.h"
#include "platform/unicode.h"

namespace corvane::cli {

namespace {

std::string items(std::size_t n) { return std::to_string(n) + (n == 1 ? " item" : " items"); }

std::vector<const FileFinding*> pointers(const std::vector<FileFinding>& findings) {
  std::vector<const FileFinding*> all;
  for (const auto& f : findings) all.push_back(&f);
  return all;
}

// The scan's groups, and for each named key that is an app the catalog remembers and that is gone, that
// app's own leftovers as its analysis finds them.
std::vector<OrphanGroup> candidateGroups(const Layout& layout, const std::vector<std::string>& keys) {
  std::vector<OrphanGroup> groups = scanOrphans(layout).groups;
  const std::vector<InstalledApplication> installed = listApps(layout);
  const auto gone = InstalledAppCatalog::removed(InstalledAppCatalog(layout).load(), installed);
  for (const auto& key : keys)
    for (const auto& app : gone) {
      if (platform::lowercased(app.bundleIdentifier) != platform::lowercased(key)) continue;
      OrphanGroup group = RemovedAppLeftovers::group(app, RemovedAppLeftovers::analyze(layout, app, installed, gone));
      FindingIDs::assign(group, layout);
      RemovedAppLeftovers::merge(groups, std::move(group));
    }
  return groups;
}

void printOutcome(std::ostream& out, const UninstallRecord& record, const Layout& layout) {
  printTrashOperations(out, record.operations, layout);
}

}  // namespace

int removeOrphans(const ParsedArguments& args, Context& context) {
  const Layout& layout = context.layout;
  OrphanSelection selection;
  if (auto tier = args.value("--select")) {
    if (*tier == "all") {
      selection.tier = OrphanSelection::Tier::all;
    } else if (*tier != "probable") {
      context.err << "corvane orphans remove: --select takes probable or all, not " << *tier << "\n";
      return kExitUsage;
    }
  }
  std::vector<std::string> names(args.positional.begin() + 1, args.positional.end());
  if (names.empty()) {
    context.err << "corvane orphans remove: name the groups (their keys) or items (their ids) to remove; see "
                   "corvane orphans (usage: corvane "
                << context.usage << ")\n";
    return kExitUsage;
  }
  const bool asJSON = args.has("--json");
  std::ostream& text = asJSON ? context.err : context.out;
  const Layout shown = context.shown();
  const bool colour = context.terminal.colour && !asJSON;

  // A name is an item's id, whole or in the short form the listing shows, or else a group's key.
  const std::vector<OrphanGroup> groups = candidateGroups(layout, names);
  std::vector<FileFinding> findings;
  for (const auto& g : groups) findings.insert(findings.end(), g.findings.begin(), g.findings.end());
  for (const auto& name : names) {
    if (const FileFinding* f = FindingIDs::find(name, findings)) {
      selection.ids.push_back(f->id);
    } else if (auto id = Uuid::parse(name)) {
      selection.ids.push_back(*id);
    } else {
      selection.groups.push_back(name);
    }
  }

  HistoryStore history(HistoryFileManager::system(), layout);
  OrphanRemovalSession session(layout, UninstallCollaborators::system(layout), history);
  const OrphanRemovalPlan plan = session.prepare(groups, selection);
  if (plan.kind == OrphanRemovalPlan::Kind::unknownName) {
    context.err << "corvane orphans remove: " << *plan.refused
                << " names no group or item of the leftovers found now (see corvane orphans). Nothing was moved.\n";
    return kExitFailure;
  }
  if (plan.kind == OrphanRemovalPlan::Kind::notSelectable) {
    context.err << "corvane orphans remove: " << *plan.refused
                << " is in use or cannot be moved to the Trash. Nothing was moved.\n";
    return kExitFailure;
  }
  if (plan.kind == OrphanRemovalPlan::Kind::nothingSelected) {
    text << "Nothing to move: the groups named hold nothing "
         << (selection.tier == OrphanSelection::Tier::all ? "that can be moved" : "graded Probably Leftover")
         << (selection.tier == OrphanSelection::Tier::all ? "" : " (--select all adds the items to review)") << ".\n";
    if (asJSON && args.has("--dry-run")) report::printJSON(context.out, json::Json::array());
    return kExitOK;
  }

  const FindingSizes sizes = rollUpFindingSizes(plan.selected);
  text << "To move to the Trash (" << items(plan.selected.size()) << ", "
       << formatTotal(totalOf(pointers(plan.selected), sizes)) << "):\n";
  for (const auto& f : plan.selected)
    text << "  " << FindingIDs::shortForm(f.id) << "  " << tierName(f.confidence, colour) << " · " << stringValue(f.kind)
         << " · " << formatFindingTotal(f, sizes) << "  " << displayPath(f.url, shown) << "\n";
  if (args.has("--dry-run")) {
    text << "Dry run: nothing was moved.\n";
    if (asJSON) report::printJSON(context.out, json::encode(plan.selected));
    return kExitOK;
  }
  if (!args.has("--yes")) {
    text << "Remove leftovers of " << plan.before.identity.name << ": move " << items(plan.selected.size())
         << " to the Trash? [y/N] " << std::flush;
    if (!answeredYes(context.in)) {
      text << "Cancelled. Nothing was moved.\n";
      return kExitFailure;
    }
  }

  const OrphanRemovalResult result = session.perform(plan);
  const UninstallRecord& record = result.record;
  printOutcome(text, record, shown);
  std::vector<const FileFinding*> moved;
  for (const auto& f : plan.selected)
    for (const auto& op : record.operations)
      if (op.succeeded && op.originalURL.standardized() == f.url.standardized()) moved.push_back(&f);
  const SizeTotal freed = totalOf(moved, sizes);
  const std::size_t succeeded = static_cast<std::size_t>(record.succeededCount());
  text << "Moved " << (succeeded == record.operations.size() ? items(succeeded)
                                                             : std::to_string(succeeded) + " of " + items(record.operations.size()))
       << " to the Trash (" << formatTotal(freed) << "); ";
  if (result.kind == OrphanRemovalResult::Kind::recorded) {
    rememberFreed(history.fileURL().path(), record.id.toString(), freed);
    text << "recorded in the history as " << record.id.toString() << " (corvane restore " << record.id.toString()
         << " puts them back).\n";
  } else {
    text << "not recorded in the history.\n";
    const Error& error = *result.historyError;
    context.err << "corvane orphans remove: could not record this removal in the history file "
                << history.fileURL().path() << ": "
                << (error.code != 0 ? std::string(std::strerror(error.code)) : error.message) << "\n";
  }
  if (asJSON) report::printJSON(context.out, json::encode(record));
  if (result.kind != OrphanRemovalResult::Kind::recorded) return kExitFailure;
  return result.allMoved() ? kExitOK : kExitFailure;
}

}  // namespace corvane::cli
