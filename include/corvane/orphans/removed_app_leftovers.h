#pragma once
// The leftovers of one app that is gone, found from what the installed-apps catalog remembers of it: the
// app's own analysis, run with its remembered identity against the apps installed now, and the same
// findings as an orphan group (the bundle itself left out, nothing graded above Probably Leftover: with
// the app gone, no installed app claims them). Only reads.

#include <vector>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/installed_app_catalog.h"
#include "corvane/model/removal_records.h"

namespace corvane::RemovedAppLeftovers {

// The analysis of the gone app, its bundle looked for where the catalog last saw it. The other gone apps
// the catalog remembers count as its peers beside the installed ones, so that an item of another removed app
// of the same vendor is left to that app rather than offered as this one's.
AnalysisSnapshot analyze(const Layout& layout, const CatalogedApp& app, const std::vector<InstalledApplication>& installed,
                         const std::vector<CatalogedApp>& otherGone = {}, AppAnalyzer::Collaborators collaborators = {},
                         AppAnalyzer::Options options = {});

// The snapshot's findings as the orphan group of the app's bundle identifier.
OrphanGroup group(const CatalogedApp& app, const AnalysisSnapshot& snapshot);

// Adds `group`'s findings to the group of the same key among `groups` (added at its sorted place when there
// is none), leaving out items that group already holds.
void merge(std::vector<OrphanGroup>& groups, OrphanGroup group);

}  // namespace corvane::RemovedAppLeftovers
