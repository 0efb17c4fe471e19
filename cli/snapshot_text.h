#pragma once
// The findings' text for the commands, written by the report layer.

#include "cli/finding_sizes.h"
#include "report/mac_style_text.h"
#include "report/snapshot_text.h"
#include "report/text_table.h"

namespace corvane::cli {

using report::displayPath;
using report::formatSize;
using report::macStyleText;
using report::printFindings;
using report::printFindingsByTier;
using report::printSnapshotHeader;
using report::printTable;
using report::printTierTotals;
using report::printTrashOperations;
using report::tierName;

}  // namespace corvane::cli
