// corvane-bench sizes: the size roll-up of one app's findings against `du -s` of the same folders, and
// the analysis with sizes against the analysis without, on a sample Mac whose app has a cache of N files.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/analysis/size_rollup.h"
#include "corvane/discovery/command_runner.h"
#include "corvane/platform/file_system.h"
#include "platform/resources.h"
#include "sample_mac/sample_mac.h"

namespace corvane::bench {

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
  double wall = 0;
  double cpu = 0;  // this process's and its children's
};

template <class F>
Timing medianTiming(int runs, F f) {
  std::vector<Timing> all;
  for (int i = 0; i < runs; ++i) {
    const auto cpuBefore = platform::cpuSeconds();
    const auto start = Clock::now();
    f();
    const auto cpuAfter = platform::cpuSeconds();
    all.push_back({std::chrono::duration<double>(Clock::now() - start).count(),
                   (cpuAfter.self - cpuBefore.self) + (cpuAfter.children - cpuBefore.children)});
  }
  std::sort(all.begin(), all.end(), [](const Timing& a, const Timing& b) { return a.cpu < b.cpu; });
  return all[all.size() / 2];
}

// The target app's leftovers: a cache of `files` files in folders of 1000 (every tenth file holds
// data, the rest are empty), and a few small items elsewhere.
void populate(const testing::SampleMac& mac, int files) {
  const std::string cache = mac.user("Library/Caches/com.bench.target");
  for (int i = 0; i < files; ++i) {
    const std::string path = cache + "/shard" + std::to_string(i / 1000) + "/entry" + std::to_string(i);
    testing::SampleMac::writeFile(path, i % 10 == 0 ? std::string(1500, 'c') : std::string());
  }
  testing::SampleMac::writeFile(mac.user("Library/Preferences/com.bench.target.plist"), "x");
  testing::SampleMac::writeFile(mac.user("Library/Application Support/Bench Target/store.db"), std::string(50'000, 's'));
  testing::SampleMac::writeFile(mac.user("Library/Containers/com.bench.target/Data/state"), "x");
  mac.addApp(testing::BundleInfo{"Bench Target", "com.bench.target", "1.0", std::nullopt, {}});
}

}  // namespace

int benchSizes(int files) {
  testing::TemporaryFolder tmp("corvane-bench");
  testing::SampleMac mac(tmp.path());
  std::printf("building a sample Mac with a cache of %d files...\n", files);
  populate(mac, files);
  Layout layout = Layout::at(mac.root(), mac.home());
  AppAnalyzer analyzer(layout);
  InstalledApplication app{Url::fileURL(mac.system("/Applications/Bench Target.app")), "Bench Target",
                           "com.bench.target", "1.0", false};
  const auto findings = analyzer.analyze(app, {app}).findings;
  std::vector<std::string> paths;
  for (const auto& f : findings) paths.push_back(f.url.path());

  CommandRunner runner;
  std::vector<std::string> duArguments{"-s", "-x", "-k"};
  duArguments.insert(duArguments.end(), paths.begin(), paths.end());
  // Once each beforehand, so that both read from a warm cache.
  (void)runner.runWithStatus("/usr/bin/du", duArguments);
  (void)rollUpSizes(platform::realFileSystem(), paths);

  const int runs = 5;
  std::int64_t rolledUp = 0;
  std::uint64_t entries = 0;
  auto measure = [&](unsigned threads) {
    return medianTiming(runs, [&] {
      SizeRollupOptions options;
      options.maxThreads = threads;
      auto total = rollUpSizes(platform::realFileSystem(), paths, options).sum();
      rolledUp = total.allocatedBytes;
      entries = total.entries;
    });
  };
  const Timing oneThread = measure(1);
  const Timing threaded = measure(0);
  std::int64_t duBytes = 0;
  const Timing du = medianTiming(runs, [&] {
    auto outcome = runner.runWithStatus("/usr/bin/du", duArguments);
    duBytes = 0;
    for (std::size_t at = 0; at < outcome.output.size();) {
      duBytes += std::atoll(outcome.output.c_str() + at) * 1024;
      at = outcome.output.find('\n', at);
      at = at == std::string::npos ? outcome.output.size() : at + 1;
    }
  });
  const Timing plain = medianTiming(runs, [&] { (void)analyzer.analyze(app, {app}); });
  const Timing withSizes = medianTiming(runs, [&] {
    auto snapshot = analyzer.analyze(app, {app});
    std::vector<std::string> found;
    for (const auto& f : snapshot.findings) found.push_back(f.url.path());
    (void)rollUpSizes(platform::realFileSystem(), found);
  });

  std::printf("cache of %d files: %zu findings, %llu entries, %lld bytes rolled up (du -s -k: %lld bytes)\n", files,
              findings.size(), static_cast<unsigned long long>(entries), static_cast<long long>(rolledUp),
              static_cast<long long>(duBytes));
  std::printf("  roll-up, 1 thread    %8.1f ms CPU  %8.1f ms wall  %5.2fx du's CPU\n", oneThread.cpu * 1000,
              oneThread.wall * 1000, oneThread.cpu / du.cpu);
  std::printf("  roll-up, threads     %8.1f ms CPU  %8.1f ms wall  %5.2fx du's CPU\n", threaded.cpu * 1000,
              threaded.wall * 1000, threaded.cpu / du.cpu);
  std::printf("  du -s -x             %8.1f ms CPU  %8.1f ms wall\n", du.cpu * 1000, du.wall * 1000);
  std::printf("  analysis             %8.1f ms CPU  %8.1f ms wall\n", plain.cpu * 1000, plain.wall * 1000);
  std::printf("  analysis with sizes  %8.1f ms CPU  %8.1f ms wall  %5.2fx\n", withSizes.cpu * 1000,
              withSizes.wall * 1000, withSizes.wall / plain.wall);
  // du rounds each folder's total up to a kilobyte.
  const auto slack = static_cast<std::int64_t>(paths.size()) * 1024;
  return rolledUp <= duBytes && duBytes - rolledUp < slack ? 0 : 1;
}

}  // namespace corvane::bench
