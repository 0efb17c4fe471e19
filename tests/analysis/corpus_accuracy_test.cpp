// End to end on the corpus Mac (every app of ../shared/corpus installed at once): the recall of each app's
// own leftovers and the other apps' paths offered, as floors and ceilings. Skipped without the corpus.

#include <gtest/gtest.h>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/app_discovery_service.h"
#include "sample_mac/corpus_mac.h"
#include "sample_mac/corpus_score.h"

namespace corvane {
namespace {

using testing::CorpusScore;

TEST(CorpusAccuracyTest, RecallAndFalseOffersOnTheCorpusMac) {
  testing::TemporaryFolder tmp("corvane-corpus");
  testing::SampleMac mac(tmp.path());
  auto corpus = testing::buildCorpusMac(mac, testing::corpusFile(CORVANE_SOURCE_DIR));
  if (!corpus) GTEST_SKIP() << "no corpus beside the sources";
  const Layout layout = Layout::at(mac.root(), mac.home());
  AppDiscoveryService discovery(layout);
  std::vector<InstalledApplication> installed;
  for (const auto& app : corpus->apps) installed.push_back(discovery.makeApplication(Url::fileURL(app.bundlePath)));

  auto score = [&](bool extended) {
    AppAnalyzer::Collaborators c;
    c.runningApplications = [] { return std::vector<RunningApplication>{}; };
    c.requiresAdministrator = [](const Url&) { return false; };
    AppAnalyzer::Options options;
    options.extendedMatching = extended;
    AppAnalyzer analyzer(layout, c, options);
    std::vector<std::string> searched;
    for (const auto& l : analyzer.searchLocations(Url::fileURL(layout.userLibrary()), Url::fileURL(layout.library())))
      searched.push_back(l.url.path());
    return testing::scoreCorpus(*corpus, searched, [&](const testing::CorpusApp& app) {
      return analyzer.analyze(discovery.makeApplication(Url::fileURL(app.bundlePath)), installed);
    });
  };
  const CorpusScore base = score(false), extended = score(true);
  ASSERT_EQ(corpus->apps.size(), 74u);
  const auto percent = [](int part, int whole) { return 100.0 * part / whole; };
  // SAFE, PROBABLE: other apps' paths are never offered as selectable by either layer.
  for (const auto* s : {&base, &extended}) {
    EXPECT_EQ(s->otherOffered[0] + s->appleOffered[0], 0);
    EXPECT_EQ(s->otherOffered[1] + s->appleOffered[1], 0);
  }
  EXPECT_GE(percent(CorpusScore::total(extended.foundSearched), extended.ownPathsSearched), 95.0);
  EXPECT_GE(percent(CorpusScore::total(extended.foundOverall), extended.ownPaths), 91.0);
  EXPECT_LE(CorpusScore::total(extended.otherOffered) * 2, CorpusScore::total(base.otherOffered));
  EXPECT_LE(CorpusScore::total(extended.otherOffered), 0);
}

}  // namespace
}  // namespace corvane
