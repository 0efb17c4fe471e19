#pragma once
// Analysis results as text for people: the snapshot's header, its findings one a line or by tier, the
// tiers' totals, and the items an uninstall moved; and the snapshot's JSON form with the findings' totals.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "corvane/analysis/finding_arranger.h"
#include "corvane/analysis/finding_sizes.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/layout.h"
#include "corvane/model/removal_records.h"
#include "model/json_value.h"
#include "report/finding_text.h"

namespace corvane::report {

// "512 B", "12.3 KB", "4.0 MB"; "-" when unknown.
std::string formatSize(const std::optional<std::int64_t>& bytes);
// The path as the Mac shows it: the layout's home as "~", a copied tree's root as "/".
std::string displayPath(const Url& url, const Layout& layout);

// One line per item that was to move to the Trash: "moved FROM -> TO", or "failed FROM: why (reason)".
void printTrashOperations(std::ostream& out, const std::vector<TrashOperation>& operations, const Layout& layout);

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
// The header of a snapshot: app, identifiers, running state and counts.
void printSnapshotHeader(std::ostream& out, const AnalysisSnapshot& snapshot, const Layout& layout);

// The findings in the order of the totals shown (each finding's whole size on disk) rather than of their
// own entries' sizes.
std::vector<FileFinding> arrangedByTotal(std::vector<FileFinding> findings, const FindingSizes& sizes,
                                         FindingSortDirection direction);
// The snapshot, every finding with its total on disk beside its entry's own size.
json::Json snapshotJSON(const AnalysisSnapshot& snapshot, const FindingSizes& sizes);

}  // namespace corvane::report
