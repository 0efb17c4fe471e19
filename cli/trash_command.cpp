// corvane trash: lists the Trash folders with a triage lane for each item, puts items back, and deletes
// items for good only after the confirmation the plan asks for.

#include <chrono>
#include <memory>
#include <ostream>

#include "cli/accepted_names.h"
#include "cli/commands.h"
#include "cli/prompt.h"
#include "corvane/trash/trash_session.h"
#include "corvane/trash/triage.h"
#include "corvane/platform/file_system.h"
#include "report/json_dialect.h"
#include "report/restore_report.h"
#include "report/scan_progress.h"
#include "report/trash_text.h"

namespace corvane::cli {

namespace {

const char* const kUsage =
    "trash [put-back PATH... | delete PATH... | empty] [--json] [--sort name|size|date|kind|lane] "
    "[--ascending|--descending] [--search TEXT] [--lane safeToPurge|review|likelyWanted] [--dry-run] [--yes] "
    "[--force] [--confirm TEXT]";

int usageError(Context& c, const std::string& label, const std::string& problem) {
  c.err << label << ": " << problem << " (usage: corvane " << c.usage << ")\n";
  return kExitUsage;
}

int unreadable(Context& c, const std::string& label) {
  c.err << label << ": the Trash folder " << c.layout.userTrash() << " cannot be read (no permission)\n";
  return kExitFailure;
}

// This machine's Trash, its scans counted for `progress` (shown only when it is enabled).
TrashCollaborators counted(report::ScanProgress& progress) {
  TrashCollaborators machine = TrashCollaborators::system();
  auto counting = std::make_shared<report::CountingFileSystem>(platform::sharedRealFileSystem(), progress);
  machine.scanFolder = [scanner = TrashScanner(std::move(counting))](const std::string& folder) {
    return scanner.scan(folder);
  };
  return machine;
}

report::ScanProgress listingProgress(Context& c, const ParsedArguments& args) {
  return report::ScanProgress(c.err, c.terminal.progress && !args.has("--json"), std::chrono::steady_clock::now,
                              std::chrono::seconds(1), "Listing the Trash");
}

// The exit status of a plan that is not ready, after saying why; none for a ready one.
std::optional<int> refusal(Context& c, const std::string& label, const TrashPlan& plan) {
  switch (plan.kind) {
    case TrashPlan::Kind::ready: return std::nullopt;
    case TrashPlan::Kind::unreadable: return unreadable(c, label);
    case TrashPlan::Kind::givenTwice: return usageError(c, label, plan.refused + " is given twice");
    case TrashPlan::Kind::notInTrash:
      c.err << label << ": " << plan.refused << " is not inside a Trash folder; nothing was changed\n";
      return kExitFailure;
  }
  return kExitFailure;
}

// The listing's order and filter as given: names and lanes in any case, as shown or as the JSON writes them.
std::optional<TrashQuery> listQuery(const ParsedArguments& args, Context& c, int& status) {
  static const std::vector<std::vector<std::string>> kSortNames = {
      {"size"}, {"name"}, {"date", "dateTrashed", "Date trashed"}, {"kind"}, {"lane"}};
  std::vector<std::vector<std::string>> laneNames;
  for (auto lane : {TriageLane::safeToPurge, TriageLane::review, TriageLane::likelyWanted})
    laneNames.push_back({triage::rawValue(lane), triage::label(lane)});
  TrashQuery query;
  auto sort = args.value("--sort") ? acceptedIndex(*args.value("--sort"), kSortNames) : std::nullopt;
  auto lane = args.value("--lane") ? acceptedIndex(*args.value("--lane"), laneNames) : std::nullopt;
  if (args.value("--sort") && !sort)
    status = usageError(c, "corvane trash", "--sort takes name, size, date, kind or lane, not " + *args.value("--sort"));
  else if (args.has("--ascending") && args.has("--descending"))
    status = usageError(c, "corvane trash", "--ascending and --descending exclude each other");
  else if (args.value("--lane") && !lane)
    status = usageError(c, "corvane trash", "--lane takes safeToPurge, review or likelyWanted (\"Safe to purge\", "
                                            "\"Review\", \"Keep?\"), not " + *args.value("--lane"));
  if (status != kExitOK) return std::nullopt;
  if (sort && *sort < 4) query.key = static_cast<LeftoverSortKey>(*sort);
  query.byLane = sort == std::optional<std::size_t>(4);
  if (args.has("--ascending")) query.direction = LeftoverSortDirection::ascending;
  if (args.has("--descending")) query.direction = LeftoverSortDirection::descending;
  query.search = args.value("--search").value_or("");
  if (lane) query.lane = static_cast<TriageLane>(*lane);
  return query;
}

int list(const ParsedArguments& args, Context& c) {
  int status = kExitOK;
  const auto query = listQuery(args, c, status);
  if (!query) return status;
  HistoryStore history(HistoryFileManager::system(), c.layout);
  TrashListing listing;
  {
    report::ScanProgress progress = listingProgress(c, args);
    listing = TrashSession(c.layout, counted(progress), history).list(*query);
  }
  if (!listing.readable) return unreadable(c, "corvane trash");
  const Date now = date::now();
  if (!args.has("--json")) {
    report::printTrashListing(c.out, listing.rows, c.shown(), now, c.terminal.colour);
    return kExitOK;
  }
  json::Json doc = json::Json::array();
  for (const auto& row : listing.rows) doc.push_back(report::rowJSON(row, now));
  report::printJSON(c.out, doc);
  return kExitOK;
}

TrashPlan planned(const ParsedArguments& args, Context& c, const HistoryStore& history, const TrashRequest& request) {
  report::ScanProgress progress = listingProgress(c, args);
  return TrashSession(c.layout, counted(progress), history).plan(request);
}

int putBack(const ParsedArguments& args, Context& c) {
  const std::string label = "corvane trash put-back";
  TrashRequest request{TrashAction::putBack, {args.positional.begin() + 1, args.positional.end()}};
  if (request.paths.empty()) return usageError(c, label, "missing PATH");
  HistoryStore history(HistoryFileManager::system(), c.layout);
  const TrashPlan plan = planned(args, c, history, request);
  if (auto status = refusal(c, label, plan)) return *status;
  const TrashResult result = TrashSession(c.layout, TrashCollaborators::system(), history).perform(plan);
  for (const auto& notice : result.notices) c.err << notice << "\n";
  for (const auto& path : plan.unsafe)
    c.err << label << ": " << path << " leads out of the Trash through a link; it was left where it is\n";
  std::vector<RestoreItemResult> items;
  for (const auto& item : result.putBack) items.push_back({item.trashPath, item.name, item.outcome});
  if (args.has("--json"))
    report::printJSON(c.out, report::restoreJSON(items, {}, result.summary, 0));
  else
    c.out << report::restoreText(items, {}, result.summary, c.shown());
  return result.succeeded() ? kExitOK : kExitFailure;
}

// Whether the user agreed as the plan asks: the typed phrase, or --yes (or the phrase) or a "y".
bool confirmed(const ParsedArguments& args, Context& c, std::ostream& text, const TrashPlan& plan,
               const std::string& label) {
  const auto given = args.value("--confirm");
  if (plan.confirmation == TrashConfirmation::typedPhrase) {
    if (!given) text << report::deleteQuestion(plan) << std::flush;
    if ((given ? *given : answerLine(c.in)) == plan.phrase()) return true;
    c.err << label << ": the confirmation did not match \"" << plan.phrase() << "\"; nothing was deleted\n";
    return false;
  }
  if (args.has("--yes") || given == std::optional<std::string>(ConfirmationPolicy::kPhrase)) return true;
  text << report::deleteQuestion(plan) << std::flush;
  if (answeredYes(c.in)) return true;
  c.err << label << ": not confirmed; nothing was deleted\n";
  return false;
}

// `trash delete PATH...` and `trash empty`.
int deleteFromTrash(const ParsedArguments& args, Context& c, TrashAction action) {
  const bool everything = action == TrashAction::empty;
  const std::string label = everything ? "corvane trash empty" : "corvane trash delete";
  TrashRequest request{action, {args.positional.begin() + 1, args.positional.end()}, args.has("--force"),
                       args.has("--dry-run")};
  if (everything && !request.paths.empty()) return usageError(c, label, "empty takes no PATH");
  if (!everything && request.paths.empty()) return usageError(c, label, "missing PATH");
  HistoryStore history(HistoryFileManager::system(), c.layout);
  const TrashPlan plan = planned(args, c, history, request);
  if (auto status = refusal(c, label, plan)) return *status;
  std::ostream& text = args.has("--json") ? c.err : c.out;
  report::printDeletePlan(text, plan);
  if (!request.dryRun && plan.counts.admittedCount == 0 && plan.missing.empty() && plan.unsafe.empty())
    text << "Nothing to delete.\n";
  else if (plan.confirmation != TrashConfirmation::none && !confirmed(args, c, text, plan, label))
    return kExitFailure;
  const TrashResult result = TrashSession(c.layout, TrashCollaborators::system(), history).perform(plan);
  if (args.has("--json"))
    report::printJSON(c.out, report::deleteJSON(plan, result));
  else
    report::printDeleteResult(c.out, result);
  // 0 only when everything asked for was done: an item skipped, blocked or failed fails the command.
  return result.succeeded() ? kExitOK : kExitFailure;
}

int runTrash(const ParsedArguments& args, Context& c) {
  const std::string sub = args.positional.empty() ? "" : args.positional[0];
  if (sub.empty()) return list(args, c);
  for (const char* listOnly : {"--sort", "--search", "--lane"})
    if (args.value(listOnly)) return usageError(c, "corvane trash " + sub, std::string(listOnly) + " applies to the listing");
  if (sub == "put-back") return putBack(args, c);
  if (sub == "delete") return deleteFromTrash(args, c, TrashAction::deleteSelection);
  if (sub == "empty") return deleteFromTrash(args, c, TrashAction::empty);
  return usageError(c, "corvane trash", "unknown sub-command " + sub);
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
