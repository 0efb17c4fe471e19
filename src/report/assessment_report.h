#pragma once
// What `assess` shows: the evidence that a path belongs to an app, its score and its tier.

#include <iosfwd>

#include "corvane/analysis/path_assessment.h"
#include "model/json_value.h"

namespace corvane::report {

json::Json assessmentJSON(const PathAssessment& assessment);
void printAssessment(std::ostream& out, const PathAssessment& assessment);

}  // namespace corvane::report
