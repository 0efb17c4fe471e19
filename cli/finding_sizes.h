#pragma once
// What the findings take on disk, for the command-line tool: rolled up once per command, shown beside
// each finding and per tier, and remembered beside the history for what an uninstall freed.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "corvane/analysis/size_rollup.h"
#include "corvane/model/file_finding.h"
#include "model/json_value.h"

namespace corvane::cli {

// Totals by finding id (as text); a finding whose item is missing has none.
using FindingSizes = std::map<std::string, SizeTotal>;

// `progress`, when given, is told how the walk goes (see ScanProgress).
FindingSizes rollUpFindingSizes(const std::vector<FileFinding>& findings, SizeProgressCallback progress = nullptr);
// The sum over `findings` of the totals there are; `atLeast` when one is a lower bound or missing.
SizeTotal totalOf(const std::vector<const FileFinding*>& findings, const FindingSizes& sizes);

// Decimal units: "Zero KB", whole kilobytes below a megabyte ("4 KB", at least "1 KB" for anything),
// one decimal above ("1.2 MB", "3.0 GB"); "≥ " in front of a lower bound.
std::string formatTotal(const SizeTotal& total);
// `formatTotal` of the finding's total, "-" when there is none.
std::string formatFindingTotal(const FileFinding& finding, const FindingSizes& sizes);

// What an uninstall freed, kept beside the history file (in "<history file>.sizes.json", by record id)
// so that the record's own form stays as it is.
std::string freedSizesPath(const std::string& historyFile);
void rememberFreed(const std::string& historyFile, const std::string& recordID, const SizeTotal& freed);
std::optional<SizeTotal> recalledFreed(const std::string& historyFile, const std::string& recordID);

// The findings' JSON form, each with its total beside its entry's own size: "sizeBytes" (null when the item is
// gone) and "sizeAtLeast".
json::Json findingsJSON(const std::vector<FileFinding>& findings, const FindingSizes& sizes);

}  // namespace corvane::cli
