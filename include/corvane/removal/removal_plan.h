#pragma once
// The order in which findings are removed.

#include <vector>

#include "corvane/model/file_finding.h"

namespace corvane::RemovalPlan {

// Launch agents, launch daemons and helpers first, the application last, everything else between; within
// each group by path, equal paths keeping their order.
std::vector<FileFinding> ordered(std::vector<FileFinding> findings);

}  // namespace corvane::RemovalPlan
