// corvane trash delete / empty: deletes items from the Trash for good. The plan shows what is admitted,
// what is skipped and why, and the bytes freed; nothing is deleted without the confirmation it asks for
// (a typed phrase for large selections, else --yes or a "y" on the terminal).

#include <ostream>

#include "report/json_dialect.h"
#include "cli/prompt.h"
#include "cli/trash_view.h"
#include "corvane/base/byte_count.h"
#include "corvane/removal/trash_locator.h"
#include "corvane/trash/app_trash_mutator.h"
#include "platform/fs_ops.h"

namespace corvane::cli {

namespace {

const char* skipSentence(SkipReason reason) {
  switch (reason) {
    case SkipReason::unresolvable: return "it cannot be found";
    case SkipReason::rootItself: return "it is a Trash folder itself";
    case SkipReason::outsideTrash: return "it is not inside a Trash folder";
    case SkipReason::duplicateInPlan: return "it is already in the plan";
    case SkipReason::notInTrashAfterRealpath: return "it leads out of the Trash";
  }
  return "it is not inside a Trash folder";
}

DeleteCandidate candidateOf(const LeftoverRow& row) {
  DeleteCandidate candidate;
  candidate.path = row.path;
  // The row's own path is what is planned: a link in the Trash is removed itself, wherever it leads, so
  // only its folder is resolved.
  if (auto split = platform::splitPath(row.path))
    if (auto parent = TrashLocator::resolvedRealPath(split->parent))
      candidate.resolvedPath = (*parent == "/" ? "" : *parent) + "/" + split->name;
  candidate.isDirectory = row.isDirectory;
  candidate.isSymlink = row.kindLabel == triage::kindLabel(TrashCategory::symlink);
  candidate.sizeBytes = row.sizeBytes;
  return candidate;
}

// Whether the user agreed: the typed phrase where the plan wants one, else --yes or a "y".
bool confirmed(const ParsedArguments& args, Context& c, std::ostream& text, const ConfirmationRequest& request,
               const std::string& label) {
  if (request.requiresTypedPhrase) {
    const std::string phrase = request.phrase.value_or(ConfirmationPolicy::kPhrase);
    std::string typed;
    if (auto given = args.value("--confirm")) {
      typed = *given;
    } else {
      text << "This deletes " << countLabel(request.admittedCount, "item") << " for good. Type \"" << phrase
           << "\" to go on: " << std::flush;
      typed = answerLine(c.in);
    }
    if (typed == phrase) return true;
    c.err << label << ": the confirmation did not match \"" << phrase << "\"; nothing was deleted\n";
    return false;
  }
  if (args.has("--yes") || args.value("--confirm") == std::optional<std::string>(ConfirmationPolicy::kPhrase)) return true;
  text << "Delete " << countLabel(request.admittedCount, "item") << " for good? This cannot be undone. [y/N] "
       << std::flush;
  if (answeredYes(c.in)) return true;
  c.err << label << ": not confirmed; nothing was deleted\n";
  return false;
}

const char* modeText(DeleteMode mode) {
  switch (mode) {
    case DeleteMode::normalEmpty: return "normalEmpty";
    case DeleteMode::forceEmpty: return "forceEmpty";
    case DeleteMode::deleteSelection: return "deleteSelection";
  }
  return "deleteSelection";
}

}  // namespace

int deleteFromTrash(const ParsedArguments& args, Context& c, bool everything) {
  const std::string label = everything ? "corvane trash empty" : "corvane trash delete";
  std::vector<std::string> paths(args.positional.begin() + 1, args.positional.end());
  if (everything && !paths.empty()) return trashUsageError(c, label, "empty takes no PATH");
  if (!everything && paths.empty()) return trashUsageError(c, label, "missing PATH");
  auto state = scanTrash(c, label, !args.has("--json"));
  if (!state) return kExitFailure;
  TrashSelection selection{state->rows, {}, {}};
  if (!everything) {
    int status = kExitOK;
    auto selected = selectTrashItems(paths, *state, c, label, status);
    if (!selected) return status;
    selection = std::move(*selected);
  }
  const bool asJSON = args.has("--json");
  std::ostream& text = asJSON ? c.err : c.out;
  const bool force = args.has("--force");
  const DeleteMode mode = !everything ? DeleteMode::deleteSelection : force ? DeleteMode::forceEmpty : DeleteMode::normalEmpty;

  std::vector<DeleteCandidate> candidates;
  for (const auto& row : selection.rows) candidates.push_back(candidateOf(row));
  AppTrashMutator mutator(c.layout);
  const std::vector<std::string> roots = TrashLocator(c.layout).discoverTrashRoots();
  const DeletePlan plan = DeletePlanner::plan(candidates, roots, mode);
  const ConfirmationRequest request = ConfirmationPolicy::request(plan, {}, everything ? "Trash" : "selection");

  text << "Delete for good: " << countLabel(request.admittedCount, "item") << " · "
       << byteCount::fileSize(plan.totalAdmittedBytes());
  if (plan.unmeasuredCount() > 0) text << " (" << plan.unmeasuredCount() << " not measured)";
  text << "\n";
  for (const auto& item : plan.items) {
    if (item.admitted)
      text << "  " << item.candidate.path << (item.needsForce && !force ? " (locked: needs --force)" : "") << "\n";
    else
      text << "  skipped " << item.candidate.path << ": " << skipSentence(item.skip.value_or(SkipReason::outsideTrash)) << "\n";
  }
  for (const auto& path : selection.unsafe) text << "  skipped " << path << ": " << skipSentence(SkipReason::notInTrashAfterRealpath) << "\n";
  for (const auto& path : selection.missing) text << "  already gone " << path << "\n";

  // One outcome per item asked for, in the plan's order: what the plan skipped is refused as unsafe.
  std::vector<ItemOutcome> removed;
  DeleteReport report{mode, args.has("--dry-run"), {}, true};
  if (args.has("--dry-run")) {
    for (const auto& item : plan.admitted())
      removed.push_back(
          FSMutator::deleteItem(item.candidate.path, item.candidate.sizeBytes, roots, {force, /*dryRun=*/true}));
  } else {
    if (request.admittedCount == 0 && selection.missing.empty() && selection.unsafe.empty()) {
      text << "Nothing to delete.\n";
    } else if (request.admittedCount > 0 && !confirmed(args, c, text, request, label)) {
      return kExitFailure;
    }
    std::vector<LeftoverRow> admittedRows;
    for (const auto& item : plan.admitted())
      for (const auto& row : selection.rows)
        if (row.path == item.candidate.path) admittedRows.push_back(row);
    AppTrashMutator::RootDeleteStep asAdministrator;
    // Run as the administrator, the tool removes root-owned items itself, still through the remover.
    if (platform::effectiveUserID() == 0)
      asAdministrator = [&roots](const std::vector<std::string>& given) {
        std::map<std::string, AppTrashMutator::RootDeleteOutcome> done;
        for (const auto& path : given) {
          ItemOutcome outcome = FSMutator::deleteItem(path, std::nullopt, roots, {true, false});
          done[path] = {outcome.kind == ItemOutcome::Kind::deleted || outcome.kind == ItemOutcome::Kind::alreadyGone,
                        outcome.note.empty() ? std::nullopt : std::optional<std::string>(outcome.note)};
        }
        return done;
      };
    removed = mutator.deleteRows(admittedRows, force, asAdministrator).outcomes;
  }
  std::size_t next = 0;
  for (const auto& item : plan.items)
    report.outcomes.push_back(item.admitted && next < removed.size()
                                  ? removed[next++]
                                  : ItemOutcome::skippedUnsafe(item.candidate.path, item.skip.value_or(SkipReason::outsideTrash)));
  for (const auto& path : selection.unsafe)
    report.outcomes.push_back(ItemOutcome::skippedUnsafe(path, SkipReason::notInTrashAfterRealpath));
  for (const auto& path : selection.missing) report.outcomes.push_back(ItemOutcome::alreadyGone(path));

  if (asJSON) {
    json::Json doc = {{"mode", modeText(mode)},
                          {"dryRun", report.dryRun},
                          {"admitted", request.admittedCount},
                          {"bytesReclaimed", report.bytesReclaimed()},
                          {"requiresTypedPhrase", request.requiresTypedPhrase},
                          {"outcomes", json::Json::array()}};
    for (const auto& o : report.outcomes) doc["outcomes"].push_back(itemOutcomeJSON(o));
    report::printJSON(c.out, doc);
  } else {
    for (const auto& o : report.outcomes) c.out << "  " << outcomeLine(o) << "\n";
    c.out << (report.dryRun ? "Would free " : "Freed ") << byteCount::fileSize(report.bytesReclaimed()) << " ("
          << countLabel(report.clearedCount(), "item") << (report.dryRun ? "" : " cleared") << ").\n";
  }
  // 0 only when everything asked for was done: an item skipped, blocked or failed fails the command.
  return report.fullySucceeded() ? kExitOK : kExitFailure;
}

}  // namespace corvane::cli
