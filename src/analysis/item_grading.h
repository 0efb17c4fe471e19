#pragma once
// The last step of every finding, whichever rules found it: the item is looked at on disk (size, date,
// whether removing it needs an administrator) and graded, and the finding is made.

#include <optional>

#include "analysis/candidate_scoring.h"
#include "corvane/analysis/app_analyzer.h"

namespace corvane {

std::optional<FileFinding> gradeOnDisk(const AppAnalyzer::Collaborators& machine, const Url& url,
                                       const AppAnalyzer::SearchLocation& location,
                                       CandidateScoring::Weighing weighing, AppAnalyzer::Arbitration arbitration,
                                       bool running);

}  // namespace corvane
