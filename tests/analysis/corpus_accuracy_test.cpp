// End to end on the corpus Mac (every app of ../shared/corpus installed at once, then every other app
// beside look-alike items of no app), and the same for the hand-written holdout of apps outside it: the
// recall of each app's own leftovers, at any tier and at a tier a user selects, and the items of anyone
// else offered, as floors and ceilings. Skipped without the corpus.

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/app_discovery_service.h"
#include "sample_mac/corpus_mac.h"
#include "sample_mac/corpus_score.h"

namespace corvane {
namespace {

using testing::CorpusScore;

class CorpusAccuracyTest : public ::testing::TestWithParam<std::tuple<bool, bool>> {};

TEST_P(CorpusAccuracyTest, RecallAndFalseOffers) {
  {
    const auto [holdout, noPeers] = GetParam();
    testing::TemporaryFolder tmp("corvane-corpus");
    testing::SampleMac mac(tmp.path());
    auto corpus = testing::buildCorpusMac(mac, holdout ? std::string(CORVANE_SOURCE_DIR) + "/testing/corpus/holdout-casks.json"
                                                       : testing::corpusFile(CORVANE_SOURCE_DIR));
    if (!corpus) GTEST_SKIP() << "no corpus beside the sources";
    ASSERT_EQ(corpus->apps.size(), holdout ? 54u : 74u);
    const std::vector<std::string> lookAlikes = noPeers ? testing::addLookAlikes(mac) : std::vector<std::string>{};
    const Layout layout = Layout::at(mac.root(), mac.home());
    AppDiscoveryService discovery(layout);
    std::vector<InstalledApplication> installed;
    for (std::size_t i = 0; i < corpus->apps.size(); ++i) {
      if (!noPeers || testing::installedWithoutPeers(i))
        installed.push_back(discovery.makeApplication(Url::fileURL(corpus->apps[i].bundlePath)));
      else
        std::filesystem::remove_all(corpus->apps[i].bundlePath);
    }

    auto score = [&](bool extended) {
      AppAnalyzer::Collaborators c;
      c.runningApplications = [] { return std::vector<RunningApplication>{}; };
      c.requiresAdministrator = [](const Url&) { return false; };
      AppAnalyzer::Options options;
      options.extendedMatching = extended;
      options.systemOwnership = extended;
      AppAnalyzer analyzer(layout, c, options);
      std::vector<std::string> searched;
      for (const auto& l : analyzer.searchLocations(Url::fileURL(layout.userLibrary()), Url::fileURL(layout.library())))
        searched.push_back(l.url.path());
      return testing::scoreCorpus(
          *corpus, searched,
          [&](const testing::CorpusApp& app) -> std::optional<AnalysisSnapshot> {
            for (const auto& a : installed)
              if (a.url.path() == app.bundlePath) return analyzer.analyze(a, installed);
            return std::nullopt;
          },
          lookAlikes);
    };
    const CorpusScore base = score(false), extended = score(true);
    const auto percent = [](int part, int whole) { return 100.0 * part / whole; };
    const auto selectable = [](const CorpusScore::ByTier& t) { return t[0] + t[1]; };
    // Nothing of anyone else is ever offered as selectable by either layer.
    for (const auto* s : {&base, &extended})
      EXPECT_EQ(selectable(s->otherOffered) + selectable(s->appleOffered), 0);
    const int searched = extended.ownPathsSearched;
    EXPECT_GE(percent(selectable(extended.foundSearched), searched), holdout ? 88.5 : noPeers ? 87.5 : 84.8);
    EXPECT_GE(percent(CorpusScore::total(extended.foundSearched), searched), 97.0);
    EXPECT_GE(percent(CorpusScore::total(extended.foundOverall), extended.ownPaths), holdout ? 95.0 : noPeers ? 95.4 : 94.2);
    // At Review: another installed app's item at most 3 times; of nobody analysed, under 40 in all.
    EXPECT_LE(extended.otherOffered[2], noPeers ? 40 : 3);
    EXPECT_EQ(selectable(extended.distractorOffered), 0);
    EXPECT_LT(extended.otherOffered[2] + extended.distractorOffered[2], 40);
  }
}

INSTANTIATE_TEST_SUITE_P(CorpusAndHoldout, CorpusAccuracyTest, ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<bool, bool>>& param) {
                           return std::string(std::get<0>(param.param) ? "Holdout" : "Corpus") +
                                  (std::get<1>(param.param) ? "WithoutPeers" : "EveryAppInstalled");
                         });

}  // namespace
}  // namespace corvane
