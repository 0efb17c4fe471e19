#pragma once
// Scores analyses of the corpus Mac against the corpus: how many of each app's own paths were found and in
// which tier, and which paths of another app (or of Apple) were offered.
//
// A path that several apps list belongs to the one whose identity explains it best (an exact identifier
// in the path, then an identifier family, then the exact name); when none stands out it counts as the
// other apps' for each of them.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "corvane/model/file_finding.h"
#include "sample_mac/corpus_mac.h"

namespace corvane::testing {

struct CorpusScore {
  using ByTier = std::array<int, 4>;  // indexed by FindingConfidence
  int ownPaths = 0;
  int ownPathsSearched = 0;  // of those, inside a searched folder
  ByTier foundSearched{};    // own paths inside the searched folders found, by the tier they were found at
  ByTier foundOverall{};
  ByTier otherOffered{};     // findings on, inside or around another app's path
  ByTier appleOffered{};     // findings on Apple's own items
  ByTier distractorOffered{};  // findings on, inside or around a look-alike item of no app
  std::vector<std::string> misses;       // "token: path"
  std::vector<std::string> falseOffers;  // "token: tier path"
  std::vector<std::string> heldAtReview;  // own paths found at Review: "token: path | last evidence"
  struct PerApp {
    std::string token;
    int searched = 0;    // own paths inside the searched folders
    int selectable = 0;  // of those, found at Safe to Remove or Probably Leftover
  };
  std::vector<PerApp> perApp;  // each analysed app

  static int total(const ByTier& t) { return t[0] + t[1] + t[2] + t[3]; }
};

// `searchedFolders`: host paths of the folders the analysis lists; `analyze` gives one app's snapshot, or
// none for an app that is not installed (its files stay on disk, another app's for everyone analysed);
// `distractors`: host paths of look-alike items that belong to no app.
CorpusScore scoreCorpus(const CorpusMac& corpus, const std::vector<std::string>& searchedFolders,
                        const std::function<std::optional<AnalysisSnapshot>(const CorpusApp&)>& analyze,
                        const std::vector<std::string>& distractors = {});

}  // namespace corvane::testing
