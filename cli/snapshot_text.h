#pragma once
// Plain-text forms of analysis results for the command-line tool.

#include <iosfwd>
#include <string>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/layout.h"

namespace corvane::cli {

// "512 B", "12.3 KB", "4.0 MB"; "-" when unknown.
std::string formatSize(const std::optional<std::int64_t>& bytes);
// The path with the layout's home shown as "~".
std::string displayPath(const Url& url, const Layout& layout);

// One line per finding: tier, score, kind, size, path; with `explain`, every evidence sentence below it.
void printFindings(std::ostream& out, const std::vector<FileFinding>& findings, const Layout& layout, bool explain);
// The same, grouped under one heading per tier, in tier order.
void printFindingsByTier(std::ostream& out, const std::vector<FileFinding>& findings, const Layout& layout,
                         bool explain);
// The header of a snapshot: app, identifiers, running state and counts.
void printSnapshotHeader(std::ostream& out, const AnalysisSnapshot& snapshot, const Layout& layout);

}  // namespace corvane::cli
