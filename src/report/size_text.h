#pragma once
// Sizes on disk as people read them, and the findings' JSON form with their totals.

#include <string>
#include <vector>

#include "corvane/analysis/finding_sizes.h"
#include "corvane/model/file_finding.h"
#include "model/json_value.h"

namespace corvane::report {

// Decimal units: "Zero KB", whole kilobytes below a megabyte ("4 KB", at least "1 KB" for anything),
// one decimal above ("1.2 MB", "3.0 GB"); "≥ " in front of a lower bound.
std::string formatTotal(const SizeTotal& total);
// `formatTotal` of the finding's total, "-" when there is none.
std::string formatFindingTotal(const FileFinding& finding, const FindingSizes& sizes);

// The findings' JSON form, each with its total beside its entry's own size: "sizeBytes" (null when the item
// is gone) and "sizeAtLeast".
json::Json findingsJSON(const std::vector<FileFinding>& findings, const FindingSizes& sizes);

}  // namespace corvane::report
