#pragma once
// The extended matching's part of one analysis. It runs beside the walk of the search locations: it sees
// each entry the base rules pass over, asks the walk to go a few levels below a location's listed depth
// (one level in Caches, Logs, Preferences and Application Support; three inside a folder named for the
// app's vendor), and judges what it finds there. Its findings are held at Review unless their evidence is
// strong. At the end it looks in the vendor's own folders of the home Library, a few folders outside the
// listed ones and the command-line tool folders, removes every finding that a co-installed app claims
// more strongly or that rests on a name found inside a longer word, weighs the base rules' Review
// findings once more, lets its own folders yield to what lies inside them, and offers a folder that holds
// nothing but this app's findings with them. Nothing is kept per entry walked.

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/extended_matching.h"
#include "analysis/name_filter.h"
#include "corvane/analysis/app_analyzer.h"

namespace corvane {

class ExtendedPass {
 public:
  // The most levels the walk is asked to go below a location's listed depth.
  static constexpr int kLevelsBelow = 3;
  // A store that a crash-reporting library keeps for every app embedding it ("com.vendor.crashkit.data").
  static bool isLibraryStore(std::string_view name);

  struct Subject {
    const Url& homeLibrary;
    const AppIdentity& identity;
    const Url& appURL;
    bool running;
    const std::vector<AppIdentity>& coInstalled;
    const std::vector<SystemExtensionRecord>& catalog;
  };

  ExtendedPass(const AppAnalyzer& analyzer, Subject subject, const std::vector<AppAnalyzer::SearchLocation>& locations,
               std::vector<FileFinding>& findings);

  // The walk moves on to `location`.
  void beginLocation(const AppAnalyzer::SearchLocation& location);
  // The first look at an entry's name, done once per entry for both layers: false when neither the
  // extended rules nor the base rules' name tests can tie it to the app.
  bool mayMatch(std::string_view name) const { return !plainApp_ || matcher_.mayMatch(name); }
  // An entry at or above the listed depth that the base rules did not make a finding; `nameMayMatch` is
  // what mayMatch() said of it.
  void passedOver(const AppAnalyzer::WalkedEntry& entry, bool nameMayMatch);
  // Whether the walk should enter a passed-over folder at the listed depth.
  bool entersBelow(const AppAnalyzer::WalkedEntry& entry) const;
  // An entry below the listed depth; returns whether to enter it.
  bool below(const AppAnalyzer::WalkedEntry& entry);
  // The vendor folders of the home Library, the folders outside the listed ones, and the co-installed
  // apps' stronger claims.
  void finish();

 private:
  const AppAnalyzer& analyzer_;
  Subject subject_;
  std::vector<FileFinding>& findings_;
  ExtendedMatching::Matcher matcher_;
  NameFilter filter_;
  bool plainApp_ = false;  // the app's identifiers and name are plain ASCII
  std::set<std::string> listed_;  // folders listed in their own right, never entered from above
  const AppAnalyzer::SearchLocation* location_ = nullptr;
  std::string root_;  // the current location's path
  std::size_t listedDepth_ = 1;

  std::string_view belowRoot(const std::string& path) const;
  bool inVendorFolder(std::string_view belowPath) const;
  std::set<std::string> madeHere_;  // paths of the findings the extended rules made

  // One extended finding, through the base rules' arbitration and grading; at Review at most unless the
  // evidence is strong.
  void add(const Url& url, const AppAnalyzer::SearchLocation& location, MatchEvidence why, bool strong = false);
  // An item the base rules passed over: the launch label in a system folder, then the name rules.
  void consider(const std::string& path, std::string_view name, const AppAnalyzer::SearchLocation& location,
                std::string_view belowPath, bool nameMayMatch = true);
  // The base rules for an item below the listed depth, held at Review; false when they find nothing.
  bool evaluateBelow(const std::string& path, const AppAnalyzer::SearchLocation& location, bool mayMatch);
  void vendorFoldersOfTheHomeLibrary();
  // The places outside the listed folders (extended_outside.cpp).
  void foldersOutsideTheListedOnes();
  void commandLineTools();
  void removeStrongerClaims();
  // Strong evidence lifts a finding the base rules left at Review; an exact name that is a common word
  // alone holds one at Review.
  void weighBaseFindings();
  // A folder the extended rules offer yields to what lies inside it: a finding of the base rules, or an
  // item another installed app owns.
  void yieldToWhatIsInside();
  bool holdsAnotherAppsItem(const std::string& folder) const;
  // A folder directly in a listed location that holds nothing but this app's findings goes with them
  // (extended_shells.cpp).
  void foldersHoldingOnlyThisApp();
  const std::vector<AppAnalyzer::SearchLocation>& locations_;
};

}  // namespace corvane
