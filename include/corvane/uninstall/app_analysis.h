#pragma once
// One analysis as a person asks for it: an installed app by its bundle, or a gone app by the bundle
// identifier the catalog remembers, with the ids that stay the same from run to run and, for the record,
// the items the system's ownership kept from it. Only reads.

#include <optional>
#include <string>
#include <vector>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/model/app_identity.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/layout.h"

namespace corvane {

struct AppAnalysisRequest {
  Url appURL;                                   // the bundle, when no removedBundleID is given
  std::optional<std::string> removedBundleID;   // a gone app the catalog remembers
  bool baseRulesOnly = false;                   // without the extended matching and the system's ownership
};

struct AppAnalysis {
  enum class Kind {
    analysed,     // `snapshot` holds the analysis
    neverListed,  // removedBundleID names no app the catalog remembers; nothing was analysed
  };

  Kind kind = Kind::analysed;
  AnalysisSnapshot snapshot;          // ids as FindingIDs::assign gives them
  std::vector<FileFinding> withheld;  // what the system's ownership kept back, with the same kind of ids
};

// `installed` are the applications discovery lists (the peers of the analysis); `machine` is handed to the
// analyzer (its file system, for instance, to watch the walk).
AppAnalysis analyzeApp(const Layout& layout, const std::vector<InstalledApplication>& installed,
                       const AppAnalysisRequest& request, AppAnalyzer::Collaborators machine = {});

}  // namespace corvane
