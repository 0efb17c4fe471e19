#pragma once
// Plain-text forms of analysis results for the command-line tool.

#include <iosfwd>
#include <string>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/layout.h"
#include "corvane/model/removal_records.h"
#include "cli/finding_sizes.h"
#include "report/text_table.h"

namespace corvane::cli {

// "512 B", "12.3 KB", "4.0 MB"; "-" when unknown.
std::string formatSize(const std::optional<std::int64_t>& bytes);
// The path as the Mac shows it: the layout's home as "~", a copied tree's root as "/".
std::string displayPath(const Url& url, const Layout& layout);

// One line per item that was to move to the Trash: "moved FROM -> TO", or "failed FROM: why (reason)".
void printTrashOperations(std::ostream& out, const std::vector<TrashOperation>& operations, const Layout& layout);

using report::printTable;
// `text` with the paths in it shown as the Mac shows them: the layout's home as "~", a copied tree's
// root as "/".
std::string macStyleText(std::string text, const Layout& layout);
// One line per finding: short id, tier, score, kind, size, path; with `explain`, every evidence sentence below it.
// With `sizes`, the size shown is the finding's total on disk rather than its own entry's.
// With `colour`, each tier's name is coloured for a terminal.
void printFindings(std::ostream& out, const std::vector<FileFinding>& findings, const Layout& layout, bool explain,
                   const FindingSizes* sizes = nullptr, bool colour = false);
// The same, grouped under one heading per tier, in tier order; with `sizes`, each heading ends in the
// tier's total ("Safe to Remove (4) · 1.2 GB").
void printFindingsByTier(std::ostream& out, const std::vector<FileFinding>& findings, const Layout& layout,
                         bool explain, const FindingSizes* sizes = nullptr);
// One line per tier that has findings: "Safe to Remove (4) · 1.2 GB".
void printTierTotals(std::ostream& out, const std::vector<FileFinding>& findings, const FindingSizes& sizes,
                     bool colour = false);
// The tier's name, wrapped in its terminal colour when `colour` (green, yellow, blue, red in tier order).
std::string tierName(FindingConfidence tier, bool colour);
// The header of a snapshot: app, identifiers, running state and counts.
void printSnapshotHeader(std::ostream& out, const AnalysisSnapshot& snapshot, const Layout& layout);

}  // namespace corvane::cli
