// corvane-bench orphans: the public orphan scan of a sample Mac whose Library folders hold N entries, against
// a bare listing of the same folders in process and against `find ROOTS -maxdepth 1`.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "corvane/discovery/command_runner.h"
#include "corvane/orphans/orphan_scanner.h"
#include "platform/file_system.h"
#include "platform/resources.h"
#include "sample_mac/sample_mac.h"

namespace corvane::bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::array<const char*, 10> kFolders = {
    "Caches", "Preferences", "Containers", "Saved Application State", "HTTPStorages", "WebKit", "Logs",
    "LaunchAgents", "Logs/DiagnosticReports", "Application Support/CrashReporter"};

struct Spread {
  double min = 0, median = 0, max = 0;
};

template <class F>
Spread wallSpread(int runs, F f) {
  std::vector<double> all;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    f();
    all.push_back(std::chrono::duration<double>(Clock::now() - start).count() * 1000);
  }
  std::sort(all.begin(), all.end());
  return {all.front(), all[all.size() / 2], all.back()};
}

void print(const char* what, const Spread& s) {
  std::printf("  %-22s min %8.1f  median %8.1f  max %8.1f ms\n", what, s.min, s.median, s.max);
}

}  // namespace

int benchOrphans(int entries) {
  testing::TemporaryFolder tmp("corvane-bench");
  testing::SampleMac mac(tmp.path());
  std::printf("building a sample Mac whose Library holds %d entries...\n", entries);
  std::vector<std::string> roots;
  for (const char* folder : kFolders) roots.push_back(testing::SampleMac::makeFolder(mac.user("Library/") + folder));
  // Mostly identifier names of apps that are gone, every fourth a folder, every tenth a plain name.
  for (int i = 0; i < entries; ++i) {
    const std::string& root = roots[static_cast<std::size_t>(i) % 8];
    const std::string name = i % 10 == 0 ? "Plain Name " + std::to_string(i) : "org.gone" + std::to_string(i) + ".app";
    if (i % 4 == 0)
      testing::SampleMac::makeFolder(root + "/" + name);
    else
      testing::SampleMac::writeFile(root + "/" + name);
  }

  OrphanScanner::Collaborators collaborators;
  collaborators.runningApplications = [] { return std::vector<RunningApplication>{}; };
  const OrphanScanner scanner(Layout::at(mac.root(), mac.home()), collaborators);
  std::size_t groups = 0;
  std::size_t listed = 0;
  std::size_t found = 0;
  const int runs = 5;
  const Spread scan = wallSpread(runs, [&] { groups = scanner.scan({}, {}, {}).groups.size(); });
  const Spread bare = wallSpread(runs, [&] {
    listed = 0;
    for (const auto& root : roots)
      if (auto listing = platform::realFileSystem().list(root); listing.has_value()) listed += listing->entries.size();
  });
  std::vector<std::string> arguments = roots;
  arguments.insert(arguments.end(), {"-mindepth", "1", "-maxdepth", "1"});
  CommandRunner runner;
  const Spread find = wallSpread(runs, [&] {
    const auto outcome = runner.runWithStatus("/usr/bin/find", arguments);
    found = static_cast<std::size_t>(std::count(outcome.output.begin(), outcome.output.end(), '\n'));
  });

  std::printf("N = %d: %zu groups, %zu entries listed, %zu found by find\n", entries, groups, listed, found);
  print("orphan scan", scan);
  print("bare listing", bare);
  print("find -maxdepth 1", find);
  std::printf("  scan / bare listing  %6.1fx   scan / find %6.1fx   peak memory %.1f MB\n", scan.median / bare.median,
              scan.median / find.median, static_cast<double>(platform::peakResidentBytes()) / (1024.0 * 1024.0));
  return groups > 0 ? 0 : 1;
}

}  // namespace corvane::bench
