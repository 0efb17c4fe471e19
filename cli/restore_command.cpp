// corvane restore: puts back what a recorded uninstall moved to the Trash and turns its paused launch
// agents on again.

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>
#include <set>

#include "cli/commands.h"
#include "cli/history_side_file.h"
#include "cli/launchctl_runner.h"
#include "cli/restore_text.h"
#include "cli/trash_view.h"
#include "corvane/history/background_service_restorer.h"
#include "corvane/history/bulk_restore_summary.h"
#include "corvane/history/history_store.h"
#include "corvane/history/restore.h"
#include "corvane/removal/background_service_controller.h"
#include "corvane/removal/trash_locator.h"
#include "corvane/trash/leftovers_scanner.h"
#include "platform/directory.h"
#include "platform/disk_identity.h"

namespace corvane::cli {

namespace {

const char* const kUsage = "restore RECORD-ID [--json] [--launchctl PATH]";

// One item the uninstall moved: where it is in the Trash and where it came from.
struct MovedItem {
  std::string trashPath;
  std::string originalPath;
  std::optional<DiskIdentity> identity;  // the item's identity when it was analysed, when known
};

std::vector<MovedItem> movedItems(const UninstallRecord& record) {
  std::vector<MovedItem> items;
  for (const auto& op : record.operations) {
    if (!op.succeeded || !op.trashedURL) continue;
    MovedItem item{op.trashedURL->path(), op.originalURL.path(), std::nullopt};
    for (const auto& finding : record.preRemovalSnapshot.findings)
      if (finding.url.path() == item.originalPath) item.identity = finding.diskIdentity;
    items.push_back(std::move(item));
  }
  return items;
}

// Whether the Trash still holds the very item that was moved: something at its Trash path, and the same
// object as the one analysed when that is known (a later item of the same name is not ours to move).
bool stillInTrash(const MovedItem& item) {
  auto now = platform::diskIdentityOf(Url::fileURL(item.trashPath));
  if (!now.has_value()) return false;
  return !item.identity || item.identity->isSameObject(*now);
}

void recordRestore(const std::string& historyFile, const UninstallRecord& record, const std::string& summary,
                   const std::vector<std::string>& restored) {
  (void)editSideFile(historyFile, "restores", [&](nlohmann::json& doc) {
    nlohmann::json entry = {{"restoredAt", date::iso8601(date::now())}, {"summary", summary}, {"restoredPaths", restored}};
    nlohmann::json& list = doc[record.id.toString()];
    if (!list.is_array()) list = nlohmann::json::array();
    list.push_back(std::move(entry));
  });
}

int restore(const ParsedArguments& args, Context& c) {
  const Layout& layout = c.layout;
  if (layout.home.empty()) {
    c.err << "corvane restore: no home folder (pass --home DIR)\n";
    return kExitFailure;
  }
  HistoryStore history(HistoryFileManager::system(), layout);
  const std::string& idText = args.positional[0];
  auto id = Uuid::parse(idText);
  const auto& records = history.records();
  auto found = std::find_if(records.begin(), records.end(), [&](const UninstallRecord& r) { return id && r.id == *id; });
  if (found == records.end()) {
    c.err << "corvane restore: no uninstall with id " << idText << " in the history\n";
    return kExitFailure;
  }
  const UninstallRecord record = *found;

  std::vector<MovedItem> moved = movedItems(record);
  std::vector<MovedItem> present;
  std::copy_if(moved.begin(), moved.end(), std::back_inserter(present), stillInTrash);
  if (present.empty()) {
    c.err << "corvane restore: nothing to put back: "
          << (moved.empty()       ? std::string("this uninstall moved nothing to the Trash")
              : moved.size() == 1 ? std::string("the item this uninstall moved is not in the Trash any more")
                                  : "none of the " + std::to_string(moved.size()) +
                                        " items this uninstall moved is in the Trash any more")
          << "\n";
    return kExitFailure;
  }

  TrashLocator locator(layout);
  const std::vector<TrashLocator::Root> roots = locator.discoverRoots();
  std::vector<std::string> rootPaths;
  for (const auto& root : roots) rootPaths.push_back(root.path);
  LeftoversScanner scanner(layout);
  std::map<std::string, PutBackTable> tables;  // by Trash root, loaded once each

  auto restoring = RestoreExecutor::forLayout(layout);
  restoring.notice = [&c](const std::string& sentence) { c.err << sentence << "\n"; };
  const RestoreExecutor executor(std::move(restoring));
  std::vector<NamedRestoreOutcome> results;
  std::vector<RestoreItemReport> reports;
  std::set<std::string> restoredPaths;
  for (const auto& item : present) {
    const std::string name = trashName(item.trashPath);
    // The Trash folder's own Put Back record first; the history's word where there is none.
    std::optional<PutBackInfo> info;
    if (auto root = TrashLocator::root(item.trashPath, roots)) {
      auto table = tables.find(root->path);
      if (table == tables.end()) table = tables.emplace(root->path, scanner.loadPutBack(root->path, root->volumeRoot)).first;
      if (auto entry = table->second.find(name); entry != table->second.end()) info = entry->second;
    }
    if (!info) info = PutBackStore::infoFrom(item.originalPath, name);
    RestoreOutcome outcome = info ? executor.restore(item.trashPath, *info, rootPaths, /*forceCopy=*/false)
                                  : RestoreOutcome::rejected(RestoreRejection::destinationUntrusted);
    if (auto to = outcome.restoredPath()) restoredPaths.insert(*to);
    results.push_back({name, outcome});
    reports.push_back({item.trashPath, name, outcome});
  }

  auto runner = launchctlRunner(args.value("--launchctl").value_or(std::string(kLaunchctlPath)));
  BackgroundServiceRestorer services(*runner, layout.userID, Url::fileURL(layout.home),
                                     &BackgroundServiceRestorer::readPlistFromDisk,
                                     [&layout](const std::string& program) {
                                       return platform::itemExists(layout.hostPath(program));
                                     });
  const auto serviceOutcomes = services.restoreJobs({record}, restoredPaths);
  const std::string summary = BulkRestoreSummary::message(results);
  recordRestore(history.fileURL().path(), record,
                summary, std::vector<std::string>(restoredPaths.begin(), restoredPaths.end()));

  const std::size_t gone = moved.size() - present.size();
  if (args.has("--json")) {
    c.out << restoreJSON(reports, serviceOutcomes, summary, gone) << "\n";
  } else {
    printRestore(c.out, reports, serviceOutcomes, summary, c.shown());
    if (gone > 0)
      c.out << gone << (gone == 1 ? " other item is" : " other items are") << " no longer in the Trash.\n";
  }
  const bool allBack = std::all_of(results.begin(), results.end(),
                                   [](const NamedRestoreOutcome& r) { return BulkRestoreSummary::isRestored(r.outcome); });
  return allBack && gone == 0 ? kExitOK : kExitFailure;
}

}  // namespace

Command restoreCommand() {
  Command c;
  c.name = "restore";
  c.usage = kUsage;
  c.summary = "Puts back from the Trash what a recorded uninstall moved there and turns its paused launch agents on again.";
  c.options.flags = {"--json"};
  c.options.values = {"--launchctl"};
  c.options.paths = {"--launchctl"};
  c.options.minPositional = 1;
  c.options.maxPositional = 1;
  c.options.layout = true;
  c.run = restore;
  c.operand = Operand::historyID;
  c.optionDocs = {
      {"--json", "", "prints each item's outcome, the services turned on again and the summary as JSON; see "
                     "docs/json.md", {}},
      {"--launchctl", "PATH", "the launchctl that turns the paused launch agents on again (default: /bin/launchctl)",
       {}},
  };
  return c;
}

}  // namespace corvane::cli
