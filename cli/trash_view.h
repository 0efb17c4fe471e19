#pragma once
// The Trash as the tool shows it: the rows of every Trash folder of the layout, with the uninstall
// history's word on where items came from, and the text and JSON forms of rows and outcomes.

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "model/json_value.h"
#include "corvane/history/history_store.h"
#include "corvane/history/put_back.h"
#include "corvane/removal/fs_mutator.h"
#include "corvane/trash/leftover_row.h"

namespace corvane::cli {

// The rows of every Trash folder of the layout, and the history's word on where items came from.
struct TrashState {
  std::vector<LeftoverRow> rows;
  HistoryOrigins origins;
};
// None, after saying why, when the home Trash cannot be read. `showProgress`: a scan over a second shows
// how far it got on the error stream of a terminal (not for JSON output).
std::optional<TrashState> scanTrash(Context& c, const std::string& label, bool showProgress);

// The rows named by PATH...: every path must lie inside a Trash folder (else nothing is done and the
// command fails) and be given once (else a usage error); `status` receives the exit status. Paths inside
// a Trash folder that hold nothing (any more) are `missing`; a path that leads out of the Trash through a
// link in it is `unsafe`; an item inside a folder of the Trash gets a row of its own.
struct TrashSelection {
  std::vector<LeftoverRow> rows;
  std::vector<std::string> missing;
  std::vector<std::string> unsafe;
};
std::optional<TrashSelection> selectTrashItems(const std::vector<std::string>& paths, const TrashState& state,
                                               Context& c, const std::string& label, int& status);

int trashUsageError(Context& c, const std::string& label, const std::string& problem);
// An item's name in the Trash: the path's last component.
std::string trashName(const std::string& path);

// `trash delete PATH...` (everything false) and `trash empty` (everything true).
int deleteFromTrash(const ParsedArguments& args, Context& c, bool everything);

// Trash name -> where the uninstall history says the item came from; the newest uninstall wins.
HistoryOrigins historyOrigins(const std::vector<UninstallRecord>& newestFirst);

json::Json rowJSON(const LeftoverRow& row, Date now);
// The row in three lines; with `colour`, its lane in the lane's terminal colour.
void printRow(std::ostream& out, const LeftoverRow& row, const Layout& layout, Date now, bool colour = false);
// The lane's label, wrapped in its terminal colour when `colour` (green, yellow, red in lane order).
std::string laneName(TriageLane lane, bool colour);

// "Deleted Notes.txt (4 KB)", "Blocked: Notes.txt: it is locked (add --force)", ...
std::string outcomeLine(const ItemOutcome& outcome);
json::Json itemOutcomeJSON(const ItemOutcome& outcome);

}  // namespace corvane::cli
