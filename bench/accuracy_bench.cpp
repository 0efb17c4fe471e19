// corvane-bench accuracy: every app of the real-world leftovers corpus analysed with all the others
// installed, scored against what its packagers remove: recall inside the searched folders and overall,
// by tier, and the paths of other apps (or of Apple) offered, by tier; the base rules alone beside the
// base rules with the extended matching. With --no-peers, every other app is installed, the rest leave
// only their files, and look-alike items of no app lie beside them: what is offered of nobody analysed.

#include <cstdio>
#include <filesystem>
#include <string>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/app_discovery_service.h"
#include "sample_mac/corpus_mac.h"
#include "sample_mac/corpus_score.h"

namespace corvane::bench {

namespace {

testing::CorpusScore run(const testing::CorpusMac& corpus, const Layout& layout, bool extended, bool noPeers,
                         const std::vector<std::string>& lookAlikes) {
  AppAnalyzer::Collaborators c;
  c.runningApplications = [] { return std::vector<RunningApplication>{}; };
  c.requiresAdministrator = [](const Url&) { return false; };
  AppAnalyzer::Options options;
  options.extendedMatching = extended;
  options.systemOwnership = extended;  // the base rules alone, as --base-rules-only gives them
  AppAnalyzer analyzer(layout, std::move(c), options);
  AppDiscoveryService discovery(layout);
  std::vector<InstalledApplication> installed;
  for (std::size_t i = 0; i < corpus.apps.size(); ++i)
    if (!noPeers || testing::installedWithoutPeers(i))
      installed.push_back(discovery.makeApplication(Url::fileURL(corpus.apps[i].bundlePath)));
  std::vector<std::string> searched;
  for (const auto& l : analyzer.searchLocations(Url::fileURL(layout.userLibrary()), Url::fileURL(layout.library())))
    searched.push_back(l.url.path());
  return testing::scoreCorpus(
      corpus, searched,
      [&](const testing::CorpusApp& app) -> std::optional<AnalysisSnapshot> {
        const auto it = std::find_if(installed.begin(), installed.end(),
                                     [&](const InstalledApplication& a) { return a.url.path() == app.bundlePath; });
        if (it == installed.end()) return std::nullopt;
        return analyzer.analyze(*it, installed);
      },
      lookAlikes);
}

std::string percent(int part, int whole) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%5.1f %%", whole == 0 ? 0.0 : 100.0 * part / whole);
  return buffer;
}

void row(const char* label, const std::string& before, const std::string& after) {
  std::printf("  %-38s %14s %14s\n", label, before.c_str(), after.c_str());
}

void tiers(const testing::CorpusScore::ByTier& before, const testing::CorpusScore::ByTier& after) {
  const char* names[] = {"Safe to Remove", "Probably Leftover", "Review", "In Use"};
  for (int t = 0; t < 3; ++t)
    row((std::string("    ") + names[t]).c_str(), std::to_string(before[t]), std::to_string(after[t]));
}

}  // namespace

int benchAccuracy(const std::string& corpusPath, bool verbose, bool noPeers, bool keep) {
  testing::TemporaryFolder tmp("corvane-bench-accuracy");
  if (keep) {
    tmp.keep();
    std::printf("the corpus Mac stays at %s\n", tmp.path().c_str());
  }
  testing::SampleMac mac(tmp.path());
  auto corpus = testing::buildCorpusMac(mac, corpusPath);
  if (!corpus) {
    std::printf("corvane-bench accuracy: no corpus at %s; skipped\n", corpusPath.c_str());
    return 0;
  }
  std::vector<std::string> lookAlikes;
  std::size_t installed = corpus->apps.size();
  if (noPeers) {
    lookAlikes = testing::addLookAlikes(mac);
    installed = 0;
    for (std::size_t i = 0; i < corpus->apps.size(); ++i) {
      if (testing::installedWithoutPeers(i)) ++installed;
      else std::filesystem::remove_all(corpus->apps[i].bundlePath);
    }
  }
  const Layout layout = Layout::at(mac.root(), mac.home());
  const auto base = run(*corpus, layout, false, noPeers, lookAlikes);
  const auto extended = run(*corpus, layout, true, noPeers, lookAlikes);
  using S = testing::CorpusScore;

  std::printf("corvane-bench accuracy%s: %zu of %zu apps installed; %d own paths, %d inside the searched folders%s\n",
              noPeers ? " --no-peers" : "", installed, corpus->apps.size(), base.ownPaths, base.ownPathsSearched,
              noPeers ? (", " + std::to_string(lookAlikes.size()) + " look-alike items").c_str() : "");
  row("", "base rules", "extended");
  row("recall inside the searched folders", percent(S::total(base.foundSearched), base.ownPathsSearched),
      percent(S::total(extended.foundSearched), extended.ownPathsSearched));
  tiers(base.foundSearched, extended.foundSearched);
  row("  at Safe or Probably", percent(base.foundSearched[0] + base.foundSearched[1], base.ownPathsSearched),
      percent(extended.foundSearched[0] + extended.foundSearched[1], extended.ownPathsSearched));
  row("recall overall", percent(S::total(base.foundOverall), base.ownPaths),
      percent(S::total(extended.foundOverall), extended.ownPaths));
  tiers(base.foundOverall, extended.foundOverall);
  row("other apps' paths offered", std::to_string(S::total(base.otherOffered)),
      std::to_string(S::total(extended.otherOffered)));
  tiers(base.otherOffered, extended.otherOffered);
  if (noPeers) {
    row("look-alike items offered", std::to_string(S::total(base.distractorOffered)),
        std::to_string(S::total(extended.distractorOffered)));
    tiers(base.distractorOffered, extended.distractorOffered);
  }
  row("Apple's paths offered", std::to_string(S::total(base.appleOffered)),
      std::to_string(S::total(extended.appleOffered)));
  tiers(base.appleOffered, extended.appleOffered);
  std::printf("  apps under 80 %% at Safe or Probably in the searched folders with either (base rules, extended):\n");
  const auto under = [](const S::PerApp& a) { return a.searched > 0 && a.selectable * 5 < a.searched * 4; };
  for (std::size_t i = 0; i < extended.perApp.size(); ++i) {
    const auto &b = base.perApp[i], &e = extended.perApp[i];
    if (under(b) || under(e))
      std::printf("    %-28s %3d of %3d  %14s %14s\n", e.token.c_str(), e.selectable, e.searched,
                  percent(b.selectable, b.searched).c_str(), percent(e.selectable, e.searched).c_str());
  }
  if (verbose) {
    for (const auto* score : {&base, &extended}) {
      std::printf("\n%s: missed\n", score == &base ? "base rules" : "extended");
      for (const auto& m : score->misses) std::printf("  %s\n", m.c_str());
      std::printf("%s: offered wrongly\n", score == &base ? "base rules" : "extended");
      for (const auto& m : score->falseOffers) std::printf("  %s\n", m.c_str());
      std::printf("%s: found at Review\n", score == &base ? "base rules" : "extended");
      for (const auto& m : score->heldAtReview) std::printf("  %s\n", m.c_str());
    }
  }
  return 0;
}

}  // namespace corvane::bench
