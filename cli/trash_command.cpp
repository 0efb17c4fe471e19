// corvane trash: lists the Trash folders with a triage lane for each item, puts items back, and deletes
// items for good only after the confirmation the plan asks for.

#include <algorithm>
#include <map>
#include <ostream>
#include <set>

#include "cli/accepted_names.h"
#include "cli/commands.h"
#include "report/json_dialect.h"
#include "cli/restore_text.h"
#include "cli/trash_view.h"
#include "corvane/base/byte_count.h"
#include "corvane/history/bulk_restore_summary.h"
#include "corvane/trash/app_trash_mutator.h"
#include "corvane/trash/leftover_arranger.h"
#include "platform/fs_ops.h"

namespace corvane::cli {

namespace {

const char* const kUsage =
    "trash [put-back PATH... | delete PATH... | empty] [--json] [--sort name|size|date|kind|lane] "
    "[--ascending|--descending] [--search TEXT] [--lane safeToPurge|review|likelyWanted] [--dry-run] [--yes] "
    "[--force] [--confirm TEXT]";

constexpr TriageLane kLanes[] = {TriageLane::safeToPurge, TriageLane::review, TriageLane::likelyWanted};

// A lane by its JSON value or its label ("likelyWanted", "Keep?"), in any case.
std::optional<int> laneIndex(const std::string& text) {
  std::vector<std::vector<std::string>> names;
  for (auto lane : kLanes) names.push_back({triage::rawValue(lane), triage::label(lane)});
  auto index = acceptedIndex(text, names);
  if (!index) return std::nullopt;
  return static_cast<int>(kLanes[*index]);
}

int list(const ParsedArguments& args, Context& c) {
  const std::string label = "corvane trash";
  static const std::vector<std::vector<std::string>> kSortNames = {
      {"name"}, {"size"}, {"date", "dateTrashed", "Date trashed"}, {"kind"}, {"lane"}};
  std::optional<std::size_t> sortIndex;
  if (auto given = args.value("--sort")) {
    sortIndex = acceptedIndex(*given, kSortNames);
    if (!sortIndex) return trashUsageError(c, label, "--sort takes name, size, date, kind or lane, not " + *given);
  }
  const std::string sort = sortIndex ? kSortNames[*sortIndex][0] : "";
  static const std::map<std::string, LeftoverSortKey> kKeys = {
      {"name", LeftoverSortKey::name}, {"size", LeftoverSortKey::size},
      {"date", LeftoverSortKey::dateTrashed}, {"kind", LeftoverSortKey::kind}};
  if (args.has("--ascending") && args.has("--descending"))
    return trashUsageError(c, label, "--ascending and --descending exclude each other");
  std::optional<int> lane;
  if (auto text = args.value("--lane")) {
    lane = laneIndex(*text);
    if (!lane)
      return trashUsageError(c, label, "--lane takes safeToPurge, review or likelyWanted (\"Safe to purge\", "
                                       "\"Review\", \"Keep?\"), not " + *text);
  }
  auto state = scanTrash(c, label, !args.has("--json"));
  if (!state) return kExitFailure;

  const LeftoverSortKey key = kKeys.count(sort) ? kKeys.at(sort) : LeftoverSortKey::size;
  LeftoverSortDirection direction = args.has("--ascending")    ? LeftoverSortDirection::ascending
                                    : args.has("--descending") ? LeftoverSortDirection::descending
                                                               : leftoverSort::defaultDirection(key);
  if (sort == "lane" && !args.has("--descending")) direction = LeftoverSortDirection::ascending;
  std::vector<LeftoverRow> rows =
      LeftoverArranger::arrange(state->rows, args.value("--search").value_or(""), key,
                                sort == "lane" ? LeftoverSortDirection::descending : direction);
  if (sort == "lane") {
    // Lanes in their order (safe to purge first), the largest items first within each.
    std::stable_sort(rows.begin(), rows.end(), [&](const LeftoverRow& a, const LeftoverRow& b) {
      return direction == LeftoverSortDirection::ascending ? a.triageLane < b.triageLane : b.triageLane < a.triageLane;
    });
  }
  if (lane)
    std::erase_if(rows, [&](const LeftoverRow& row) { return static_cast<int>(row.triageLane) != *lane; });

  const Date now = date::now();
  if (args.has("--json")) {
    json::Json doc = json::Json::array();
    for (const auto& row : rows) doc.push_back(rowJSON(row, now));
    report::printJSON(c.out, doc);
    return kExitOK;
  }
  LeftoversResult shown{rows};
  c.out << countLabel(shown.totalTrashItems(), "item") << " in the Trash · "
        << byteCount::fileSize(shown.totalBytes());
  if (shown.rootOwnedCount() > 0) c.out << " · " << shown.rootOwnedCount() << " owned by the system";
  c.out << "\n";
  for (const auto& row : rows) printRow(c.out, row, c.shown(), now, c.terminal.colour);
  return kExitOK;
}

int putBack(const ParsedArguments& args, Context& c) {
  const std::string label = "corvane trash put-back";
  std::vector<std::string> paths(args.positional.begin() + 1, args.positional.end());
  if (paths.empty()) return trashUsageError(c, label, "missing PATH");
  auto state = scanTrash(c, label, !args.has("--json"));
  if (!state) return kExitFailure;
  int status = kExitOK;
  auto selection = selectTrashItems(paths, *state, c, label, status);
  if (!selection) return status;
  // Only the Trash's own items have a record of where they came from; one inside a folder there has none.
  std::vector<std::string> unrecorded;
  std::erase_if(selection->rows, [&](const LeftoverRow& row) {
    const bool listed = std::any_of(state->rows.begin(), state->rows.end(), [&](const LeftoverRow& r) { return r.path == row.path; });
    if (!listed) unrecorded.push_back(row.path);
    return !listed;
  });

  AppTrashMutator::ReclaimStep reclaim;
  // Run as the administrator, the tool already has the rights the hand-back would ask for.
  if (platform::effectiveUserID() == 0)
    reclaim = [](const std::vector<std::string>& given) { return std::set<std::string>(given.begin(), given.end()); };
  const AppTrashMutator mutator(c.layout, [&c](const std::string& sentence) { c.err << sentence << "\n"; });
  auto outcomes = mutator.putBack(selection->rows, state->origins, reclaim);

  std::vector<RestoreItemReport> reports;
  std::vector<NamedRestoreOutcome> results;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    reports.push_back({selection->rows[i].path, outcomes[i].first, outcomes[i].second});
    results.push_back({outcomes[i].first, outcomes[i].second});
  }
  for (const auto& path : unrecorded) {
    reports.push_back({path, trashName(path), RestoreOutcome::rejected(RestoreRejection::destParentMissing)});
    results.push_back({trashName(path), RestoreOutcome::rejected(RestoreRejection::destParentMissing)});
  }
  for (const auto& path : selection->unsafe) {
    c.err << label << ": " << path << " leads out of the Trash through a link; it was left where it is\n";
    reports.push_back({path, trashName(path), RestoreOutcome::rejected(RestoreRejection::sourceNotInTrash)});
    results.push_back({trashName(path), RestoreOutcome::rejected(RestoreRejection::sourceNotInTrash)});
  }
  for (const auto& path : selection->missing) {
    reports.push_back({path, trashName(path), RestoreOutcome::sourceGone()});
    results.push_back({trashName(path), RestoreOutcome::sourceGone()});
  }
  const std::string summary = BulkRestoreSummary::message(results);
  if (args.has("--json"))
    c.out << restoreJSON(reports, {}, summary, 0) << "\n";
  else
    printRestore(c.out, reports, {}, summary, c.shown());
  const bool allBack = std::all_of(results.begin(), results.end(),
                                   [](const NamedRestoreOutcome& r) { return BulkRestoreSummary::isRestored(r.outcome); });
  return allBack ? kExitOK : kExitFailure;
}

int runTrash(const ParsedArguments& args, Context& c) {
  const std::string sub = args.positional.empty() ? "" : args.positional[0];
  if (sub.empty()) return list(args, c);
  for (const char* listOnly : {"--sort", "--search", "--lane"})
    if (args.value(listOnly)) return trashUsageError(c, "corvane trash " + sub, std::string(listOnly) + " applies to the listing");
  if (sub == "put-back") return putBack(args, c);
  if (sub == "delete") return deleteFromTrash(args, c, false);
  if (sub == "empty") return deleteFromTrash(args, c, true);
  return trashUsageError(c, "corvane trash", "unknown sub-command " + sub);
}

}  // namespace

Command trashCommand() {
  Command c;
  c.name = "trash";
  c.usage = kUsage;
  c.summary = "Lists what is in the Trash with advice on each item; puts items back, or deletes them for good after "
              "confirming.";
  c.options.flags = {"--json", "--ascending", "--descending", "--dry-run", "--yes", "--force"};
  c.options.values = {"--sort", "--search", "--lane", "--confirm"};
  c.options.maxPositional = 1 << 20;
  c.options.positionalPaths = true;
  c.options.firstPathArgument = 1;
  c.options.layout = true;
  c.run = runTrash;
  c.words = {"put-back", "delete", "empty"};
  c.operand = Operand::files;
  c.optionDocs = {
      {"--json", "", "prints the rows (or the outcomes) as JSON; see docs/json.md", {}},
      {"--sort", "KEY",
       "orders the listing by KEY: size (the default, largest first), name, date (trashed), kind, or lane (Safe to "
       "purge first); any case",
       {"size", "name", "date", "kind", "lane"}},
      {"--ascending", "", "sorts the listing smallest, earliest or first-named first", {}},
      {"--descending", "", "sorts the listing the other way", {}},
      {"--search", "TEXT", "lists only the items whose name or original folder contains TEXT (any case)", {}},
      {"--lane", "LANE",
       "lists only the items in LANE: safeToPurge, review or likelyWanted, or as shown: \"Safe to purge\", "
       "\"Review\", \"Keep?\" (any case)",
       {"safeToPurge", "review", "likelyWanted"}},
      {"--dry-run", "", "delete and empty: shows the plan and deletes nothing", {}},
      {"--yes", "", "put-back, delete and empty: goes ahead without asking for a \"y\"", {}},
      {"--force", "", "delete and empty: also deletes items that are locked (their lock is cleared first)", {}},
      {"--confirm", "TEXT",
       "delete: the typed phrase \"Delete Permanently\" that a selection of over 100 items or 1 GB needs, for scripts",
       {}},
  };
  return c;
}

}  // namespace corvane::cli
