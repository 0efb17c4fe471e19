#pragma once
// Ids for findings that stay the same from one run of the tool to the next. An analysis gives every
// finding a fresh random id; a command line that selects findings by id needs the id shown by one run
// to name the same item in the next.

#include "corvane/model/file_finding.h"
#include "corvane/model/layout.h"

namespace corvane::cli {

// Derived from the item's path as shown for the layout (two FNV-1a hashes, marked as a version-8 UUID),
// so the same item of a copied Mac tree keeps its id wherever the copy lies.
Uuid stableFindingID(const Url& url, const Layout& layout);

// Gives every finding of the snapshot its stable id.
void giveStableIDs(AnalysisSnapshot& snapshot, const Layout& layout);

}  // namespace corvane::cli
