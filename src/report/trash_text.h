#pragma once
// The Trash in text and JSON: the listing's rows, a deletion's plan, question and outcomes. The text is
// for a terminal; the JSON is the dialect of json_dialect.h (docs/json.md).

#include <iosfwd>
#include <string>
#include <vector>

#include "corvane/model/layout.h"
#include "corvane/removal/fs_mutator.h"
#include "corvane/trash/leftover_row.h"
#include "corvane/trash/trash_session.h"
#include "model/json_value.h"

namespace corvane::report {

// The lane's label, wrapped in its terminal colour when `colour` (green, yellow, red in lane order).
std::string laneName(TriageLane lane, bool colour);
// The row in three lines; with `colour`, its lane in the lane's terminal colour. Paths shown for `layout`.
void printRow(std::ostream& out, const LeftoverRow& row, const Layout& layout, Date now, bool colour = false);
json::Json rowJSON(const LeftoverRow& row, Date now);
// "3 items in the Trash · 12 KB · 1 owned by the system", then every row.
void printTrashListing(std::ostream& out, const std::vector<LeftoverRow>& rows, const Layout& layout, Date now,
                       bool colour);

// "Deleted Notes.txt (4 KB)", "Not deleted: Notes.txt: it is locked (add --force to delete it anyway)", ...
std::string outcomeLine(const ItemOutcome& outcome);
json::Json itemOutcomeJSON(const ItemOutcome& outcome);

// What a deletion will do: the count and bytes admitted, each item, what is skipped and why.
void printDeletePlan(std::ostream& out, const TrashPlan& plan);
// The question a plan's confirmation asks, ending in a space.
std::string deleteQuestion(const TrashPlan& plan);
// One line per outcome, then what was (or would be) freed.
void printDeleteResult(std::ostream& out, const TrashResult& result);
json::Json deleteJSON(const TrashPlan& plan, const TrashResult& result);

}  // namespace corvane::report
