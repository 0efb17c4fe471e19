#include "report/orphan_removal_text.h"

#include <cstring>

#include "corvane/analysis/finding_ids.h"
#include "report/finding_text.h"
#include "report/size_text.h"

namespace corvane::report {

namespace {

std::string items(std::size_t n) { return std::to_string(n) + (n == 1 ? " item" : " items"); }

}  // namespace

std::string removalRefusal(const OrphanRemovalPlan& plan) {
  using Kind = OrphanRemovalPlan::Kind;
  if (!plan.refused) return "";
  if (plan.kind == Kind::unknownName)
    return *plan.refused + " names no group or item of the leftovers found now (see corvane orphans). Nothing was moved.";
  if (plan.kind == Kind::notSelectable)
    return *plan.refused + " is in use or cannot be moved to the Trash. Nothing was moved.";
  return "";
}

std::string nothingToMove(OrphanSelection::Tier tier) {
  const bool all = tier == OrphanSelection::Tier::all;
  return std::string("Nothing to move: the groups named hold nothing ") +
         (all ? "that can be moved" : "graded Probably Leftover (--select all adds the items to review)") + ".";
}

void printRemovalPlan(std::ostream& out, const OrphanRemovalPlan& plan, const FindingSizes& sizes,
                      const Layout& shown, bool colour) {
  std::vector<const FileFinding*> all;
  for (const auto& f : plan.selected) all.push_back(&f);
  out << "To move to the Trash (" << items(plan.selected.size()) << ", " << formatTotal(totalOf(all, sizes)) << "):\n";
  for (const auto& f : plan.selected)
    out << "  " << FindingIDs::shortForm(f.id) << "  " << tierName(f.confidence, colour) << " · " << stringValue(f.kind)
        << " · " << formatFindingTotal(f, sizes) << "  " << FindingIDs::macStylePath(f.url.path(), shown) << "\n";
}

std::string removalQuestion(const OrphanRemovalPlan& plan) {
  return "Remove leftovers of " + plan.before.identity.name + ": move " + items(plan.selected.size()) +
         " to the Trash? [y/N] ";
}

std::string removalMoved(const OrphanRemovalResult& result, const SizeTotal& freed) {
  const UninstallRecord& record = result.record;
  const auto succeeded = static_cast<std::size_t>(record.succeededCount());
  const std::size_t total = record.operations.size();
  std::string line = "Moved " + (succeeded == total ? items(succeeded) : std::to_string(succeeded) + " of " + items(total)) +
                     " to the Trash (" + formatTotal(freed) + "); ";
  if (result.kind != OrphanRemovalResult::Kind::recorded) return line + "not recorded in the history.";
  const std::string id = record.id.toString();
  return line + "recorded in the history as " + id + " (corvane restore " + id + " puts them back).";
}

std::string removalNotRecorded(const Error& error, const std::string& historyFile) {
  return "could not record this removal in the history file " + historyFile + ": " +
         (error.code != 0 ? std::string(std::strerror(error.code)) : error.message);
}

}  // namespace corvane::report
