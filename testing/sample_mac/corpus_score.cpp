#include "sample_mac/corpus_score.h"

#include <algorithm>
#include <map>
#include <set>

#include <cctype>

#include "analysis/extended_matching.h"
#include "corvane/analysis/match_engine.h"
#include "corvane/base/url.h"

namespace corvane::testing {

namespace {

bool inside(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

bool startsWithTeam(const std::string& name) {
  if (name.size() < 11 || name[10] != '.') return false;
  return std::all_of(name.begin(), name.begin() + 10, [](char c) { return std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)); });
}

// 4 exact identifier in a component, 3 identifier family, 2 exact name, 1 the name as a whole word.
int explains(const CorpusApp& app, const std::string& path) {
  int best = 0;
  const std::string name = MatchEngine::normalized(app.name);
  for (const auto& component : url::pathComponents(path)) {
    std::string c = startsWithTeam(component) ? component.substr(11) : component;
    if (app.bundleIdentifier) {
      std::string stem = c.size() > 6 && c.compare(c.size() - 6, 6, ".plist") == 0 ? c.substr(0, c.size() - 6) : c;
      auto m = MatchEngine::identifierMatch(stem, *app.bundleIdentifier);
      if (m == MatchEngine::IdentifierMatch::exact) best = std::max(best, 4);
      if (m == MatchEngine::IdentifierMatch::family) best = std::max(best, 3);
    }
    if (!name.empty() && MatchEngine::normalized(c) == name) best = std::max(best, 2);
    if (ExtendedMatching::occurrence(c, name) == ExtendedMatching::Claim::wholeWord) best = std::max(best, 1);
  }
  return best;
}

}  // namespace

CorpusScore scoreCorpus(const CorpusMac& corpus, const std::vector<std::string>& searchedFolders,
                        const std::function<std::optional<AnalysisSnapshot>(const CorpusApp&)>& analyze,
                        const std::vector<std::string>& distractors) {
  // Who owns each listed path: an app's index, or -1 for a path no single listing app explains best.
  std::map<std::string, std::vector<std::size_t>> listers;
  for (std::size_t i = 0; i < corpus.apps.size(); ++i)
    for (const auto& p : corpus.apps[i].paths) listers[p].push_back(i);
  std::map<std::string, long> owner;
  for (const auto& [path, apps] : listers) {
    long best = -1;
    int bestScore = -1;
    bool tie = false;
    for (std::size_t i : apps) {
      int s = explains(corpus.apps[i], path);
      if (s > bestScore) best = static_cast<long>(i), bestScore = s, tie = false;
      else if (s == bestScore) tie = true;
    }
    owner[path] = apps.size() == 1 ? static_cast<long>(apps.front()) : (tie ? -1 : best);
  }

  CorpusScore score;
  for (std::size_t i = 0; i < corpus.apps.size(); ++i) {
    const CorpusApp& app = corpus.apps[i];
    const std::optional<AnalysisSnapshot> snapshot = analyze(app);
    if (!snapshot) continue;
    std::vector<std::string> own, others;
    for (const auto& [path, o] : owner) (o == static_cast<long>(i) ? own : others).push_back(path);
    CorpusScore::PerApp& tally = score.perApp.emplace_back(CorpusScore::PerApp{app.token});
    std::vector<const FileFinding*> findings;
    for (const auto& f : snapshot->findings)
      if (f.kind != FindingKind::application && f.kind != FindingKind::installerReceipt) findings.push_back(&f);

    for (const auto& path : own) {
      const bool searched = std::any_of(searchedFolders.begin(), searchedFolders.end(),
                                        [&](const std::string& folder) { return inside(path, folder); });
      ++score.ownPaths;
      score.ownPathsSearched += searched ? 1 : 0;
      tally.searched += searched ? 1 : 0;
      auto hit = std::find_if(findings.begin(), findings.end(), [&](const FileFinding* f) {
        return f->url.path() == path || inside(path, f->url.path());
      });
      if (hit == findings.end()) {
        score.misses.push_back(app.token + ": " + path);
        continue;
      }
      const auto tier = static_cast<std::size_t>((*hit)->confidence);
      if ((*hit)->confidence == FindingConfidence::review)
        score.heldAtReview.push_back(app.token + ": " + path +
                                     ((*hit)->evidence.empty() ? "" : " | " + (*hit)->evidence.back().explanation));
      ++score.foundOverall[tier];
      if (searched) ++score.foundSearched[tier];
      if (searched && tier <= static_cast<std::size_t>(FindingConfidence::probablyLeftover)) ++tally.selectable;
    }
    for (const FileFinding* f : findings) {
      const std::string p = f->url.path();
      const bool mine = std::any_of(own.begin(), own.end(), [&](const std::string& o) { return p == o || inside(p, o); });
      if (mine) continue;
      const bool theirs = std::any_of(others.begin(), others.end(), [&](const std::string& o) {
        return p == o || inside(p, o) || inside(o, p);
      });
      bool apple = false;
      for (const auto& c : url::pathComponents(p)) apple = apple || c.rfind("com.apple.", 0) == 0;
      const bool lookAlike = std::any_of(distractors.begin(), distractors.end(), [&](const std::string& d) {
        return p == d || inside(p, d) || inside(d, p);
      });
      if (!theirs && !apple && !lookAlike) continue;
      const auto tier = static_cast<std::size_t>(f->confidence);
      ++(theirs ? score.otherOffered : lookAlike ? score.distractorOffered : score.appleOffered)[tier];
      score.falseOffers.push_back(app.token + ": " + std::string(stringValue(f->confidence)) + " " + p);
    }
  }
  return score;
}

}  // namespace corvane::testing
