// corvane-bench orphans: the public orphan scan of a sample Mac whose Library folders hold N entries, against
// a bare listing of the same folders in process and against `find ROOTS -maxdepth 1`. Two Libraries: a
// typical one, whose entries mostly belong to installed apps, and one where nearly every entry is an orphan.

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "corvane/discovery/app_discovery_service.h"
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
// Installed apps of the typical Mac.
constexpr int kInstalledApps = 200;

std::string installedIdentifier(int app) { return "com.vendor" + std::to_string(app / 4) + ".app" + std::to_string(app); }

// The name of entry `i`. Typical: 80 % items of installed apps, 10 % plain names, 8 % Apple's, 2 % orphans.
// Nearly all orphans: every tenth a plain name, the rest identifier names of apps that are gone.
std::string entryName(int i, bool typical) {
  if (!typical) return i % 10 == 0 ? "Plain Name " + std::to_string(i) : "org.gone" + std::to_string(i) + ".app";
  const int kind = i % 50;
  if (kind < 40) return installedIdentifier(i % kInstalledApps) + ".item" + std::to_string(i) + ".plist";
  if (kind < 45) return "Plain Name " + std::to_string(i);
  if (kind < 49) return "com.apple.part" + std::to_string(i);
  return "org.gone" + std::to_string(i) + ".app";
}

// Runs `program` with its output in `file` (so that this process reads nothing, and the child's peak memory is
// not lifted by this process's own), `runs` times; the size of the output.
std::size_t runToFile(const CommandRunner& runner, const std::string& program, std::vector<std::string> arguments,
                      const std::string& file, int runs, Spread& spread) {
  arguments.insert(arguments.begin(), {"-c", "exec \"$0\" \"$@\" > \"" + file + "\"", program});
  spread = measure(runs, [&] { (void)runner.runWithStatus("/bin/sh", arguments); });
  const auto status = platform::realFileSystem().linkStatus(file);
  return status ? static_cast<std::size_t>(status->size) : 0;
}

}  // namespace

int benchOrphans(int entries, bool typical, const std::string& tool) {
  testing::TemporaryFolder tmp("corvane-bench");
  testing::SampleMac mac(tmp.path());
  const char* shape = typical ? "typical" : "all-orphan";
  std::printf("building a sample Mac whose %s Library holds %d entries...\n", shape, entries);
  std::vector<std::string> roots;
  for (const char* folder : kFolders) roots.push_back(testing::SampleMac::makeFolder(mac.user("Library/") + folder));
  if (typical)
    for (int app = 0; app < kInstalledApps; ++app)
      mac.addApp({"App " + std::to_string(app), installedIdentifier(app), "1.0", {}, {}});
  for (int i = 0; i < entries; ++i) {
    const std::string path = roots[static_cast<std::size_t>(i) % 8] + "/" + entryName(i, typical);
    if (i % 4 == 0)
      testing::SampleMac::makeFolder(path);
    else
      testing::SampleMac::writeFile(path);
  }

  // The command first, while this process is still small: a child's peak memory is never below its parent's
  // at the time it was started. As text, then as JSON, each against find over the same roots, all writing to a
  // file.
  CommandRunner runner;
  const std::string output = tmp.path() + "/output";
  const std::vector<std::string> text = {"orphans", "--root", mac.root(), "--home", mac.home()};
  std::vector<std::string> asJSON = text;
  asJSON.push_back("--json");
  Spread textRun, jsonRun, find;
  (void)runToFile(runner, tool, text, output, 3, textRun);
  const double textPeak = static_cast<double>(platform::childrenPeakResidentBytes()) / (1024.0 * 1024.0);
  const std::size_t printed = runToFile(runner, tool, asJSON, output, 3, jsonRun);
  const double jsonPeak = static_cast<double>(platform::childrenPeakResidentBytes()) / (1024.0 * 1024.0);
  std::vector<std::string> arguments = roots;
  arguments.insert(arguments.end(), {"-mindepth", "1", "-maxdepth", "1"});
  (void)runToFile(runner, "/usr/bin/find", arguments, output, 5, find);
  const std::string found = testing::SampleMac::readFile(output);

  const Layout layout = Layout::at(mac.root(), mac.home());
  const std::vector<InstalledApplication> installed = AppDiscoveryService(layout).discover();
  OrphanScanner::Collaborators collaborators;
  collaborators.runningApplications = [] { return std::vector<RunningApplication>{}; };
  const OrphanScanner scanner(layout, collaborators);
  std::size_t groups = 0;
  std::size_t listed = 0;
  const int runs = 5;
  const Spread scan = measure(runs, [&] {
    groups = 0;
    (void)scanner.scan(installed, {}, {}, [&groups](OrphanGroup&&) { ++groups; });
  });
  const Spread bare = measure(runs, [&] {
    listed = 0;
    for (const auto& root : roots)
      if (auto listing = platform::realFileSystem().list(root); listing.has_value()) listed += listing->entries.size();
  });

  const std::string label = std::string("orphans ") + shape + " " + std::to_string(entries);
  std::printf("N = %d (%s, %zu apps installed): %zu groups, %zu entries listed, %zu found by find\n", entries, shape,
              installed.size(), groups, listed, static_cast<std::size_t>(std::count(found.begin(), found.end(), '\n')));
  printSpread("orphan scan", scan);
  printSpread("bare listing", bare);
  printSpread("find -maxdepth 1 (process)", find);
  printSummary(label, milliseconds(scan.median), "find " + milliseconds(find.median), scan.median / find.median);
  std::printf("  corvane orphans --json printed %.1f MB; peak memory %.1f MB (text), %.1f MB (both)\n",
              static_cast<double>(printed) / (1024.0 * 1024.0), textPeak, jsonPeak);
  printSpread("corvane orphans (process)", textRun);
  printSpread("corvane orphans --json (process)", jsonRun);
  printSummary(label.substr(0, 8) + "command " + label.substr(8), milliseconds(textRun.median),
               "find " + milliseconds(find.median), textRun.median / find.median);
  printSummary(label.substr(0, 8) + "--json command " + label.substr(8), milliseconds(jsonRun.median),
               "find " + milliseconds(find.median), jsonRun.median / find.median);
  return groups > 0 ? 0 : 1;
}

}  // namespace corvane::bench
