// corvane-bench orphans: the public orphan scan of a sample Mac whose Library folders hold N entries, against
// a bare listing of the same folders in process and against `find ROOTS -maxdepth 1`.

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "corvane/discovery/command_runner.h"
#include "corvane/orphans/orphan_scanner.h"
#include "corvane/platform/file_system.h"
#include "platform/resources.h"
#include "bench_timing.h"
#include "sample_mac/sample_mac.h"

namespace corvane::bench {

namespace {

constexpr std::array<const char*, 10> kFolders = {
    "Caches", "Preferences", "Containers", "Saved Application State", "HTTPStorages", "WebKit", "Logs",
    "LaunchAgents", "Logs/DiagnosticReports", "Application Support/CrashReporter"};

}  // namespace

int benchOrphans(int entries, const std::string& tool) {
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
  const Spread scan = measure(runs, [&] { groups = scanner.scan({}, {}, {}).groups.size(); });
  const Spread bare = measure(runs, [&] {
    listed = 0;
    for (const auto& root : roots)
      if (auto listing = platform::realFileSystem().list(root); listing.has_value()) listed += listing->entries.size();
  });
  std::vector<std::string> arguments = roots;
  arguments.insert(arguments.end(), {"-mindepth", "1", "-maxdepth", "1"});
  CommandRunner runner;
  const Spread find = measure(runs, [&] {
    const auto outcome = runner.runWithStatus("/usr/bin/find", arguments);
    found = static_cast<std::size_t>(std::count(outcome.output.begin(), outcome.output.end(), '\n'));
  });

  std::printf("N = %d: %zu groups, %zu entries listed, %zu found by find\n", entries, groups, listed, found);
  printSpread("orphan scan", scan);
  printSpread("bare listing", bare);
  printSpread("find -maxdepth 1 (process)", find);
  printSummary("orphans " + std::to_string(entries), milliseconds(scan.median), "find " + milliseconds(find.median),
               scan.median / find.median);

  // The command itself, its output read whole by this process: as text, then as JSON. The peak memory is the
  // largest child's so far, so it is read after each before find runs again.
  const std::vector<std::string> text = {"orphans", "--root", mac.root(), "--home", mac.home()};
  std::vector<std::string> asJSON = text;
  asJSON.push_back("--json");
  std::size_t printed = 0;
  const Spread textRun = measure(3, [&] { printed = runner.runWithStatus(tool, text).output.size(); });
  const double textPeak = static_cast<double>(platform::childrenPeakResidentBytes()) / (1024.0 * 1024.0);
  const Spread jsonRun = measure(3, [&] { printed = runner.runWithStatus(tool, asJSON).output.size(); });
  const double jsonPeak = static_cast<double>(platform::childrenPeakResidentBytes()) / (1024.0 * 1024.0);
  std::printf("  corvane orphans --json printed %.1f MB; peak memory %.1f MB (text), %.1f MB (both)\n",
              static_cast<double>(printed) / (1024.0 * 1024.0), textPeak, jsonPeak);
  printSpread("corvane orphans (process)", textRun);
  printSpread("corvane orphans --json (process)", jsonRun);
  printSummary("orphans command " + std::to_string(entries), milliseconds(textRun.median),
               "find " + milliseconds(find.median), textRun.median / find.median);
  printSummary("orphans --json command " + std::to_string(entries), milliseconds(jsonRun.median),
               "find " + milliseconds(find.median), jsonRun.median / find.median);
  return groups > 0 ? 0 : 1;
}

}  // namespace corvane::bench
