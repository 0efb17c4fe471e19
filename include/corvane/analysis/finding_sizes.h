#pragma once
// What the findings take on disk, by finding: rolled up once, shown beside each finding and per tier.

#include <map>
#include <string>
#include <vector>

#include "corvane/analysis/size_rollup.h"
#include "corvane/model/file_finding.h"

namespace corvane {

// Totals by finding id (as text); a finding whose item is missing has none.
using FindingSizes = std::map<std::string, SizeTotal>;

// The totals of the findings' items on the real disk; `progress`, when given, is told how the walk goes.
FindingSizes rollUpFindingSizes(const std::vector<FileFinding>& findings, SizeProgressCallback progress = nullptr);
// The sum over `findings` of the totals there are; `atLeast` when one is a lower bound or missing.
SizeTotal totalOf(const std::vector<const FileFinding*>& findings, const FindingSizes& sizes);

}  // namespace corvane
