// corvane-bench analyze: the analyzer against a bare walk of the same folders, on sample Macs whose
// Library folders hold N entries; corvane-bench sizes: the size roll-up against du (sizes_bench.cpp);
// corvane-bench dsstore: .DS_Store parse speed (ds_store_bench.cpp).
//
//   corvane-bench [analyze] [N ...]      (default N: 10000 100000)
//   corvane-bench sizes [N]              (default N: 200000 files in the app's cache)
//   corvane-bench restore [N]            (default N: 10000 files in the restored folder)
//   corvane-bench orphans [N]            (default N: 100000 Library entries; orphans_bench.cpp)
//   corvane-bench dsstore
//   corvane-bench trash [N]              (default N: 100000 entries in the Trash)
//   corvane-bench accuracy [--list]      (the leftovers corpus; accuracy_bench.cpp)

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/analysis/app_analyzer.h"
#include "platform/file_system.h"
#include "platform/file_status.h"
#include "platform/resources.h"
#include "sample_mac/sample_mac.h"

namespace corvane::bench {
int benchSizes(int files);
int benchRestore(int files);
int benchDSStore(const std::string& sourceDir);
int benchTrash(int entries);
int benchOrphans(int entries);
int benchAccuracy(const std::string& sourceDir, bool verbose);
}

namespace {

using namespace corvane;
using Clock = std::chrono::steady_clock;

constexpr int kMaxEntries = 10'000'000;
constexpr const char* kUsage =
    "usage: corvane-bench [analyze] [N ...]\n"
    "       corvane-bench sizes [N]\n"
    "       corvane-bench restore [N]\n"
    "       corvane-bench orphans [N]\n"
    "       corvane-bench trash [N]\n"
    "       corvane-bench dsstore\n"
    "       corvane-bench accuracy [--list]\n"
    "Times the analyzer against a bare walk of the same folders on sample Macs whose Library folders hold\n"
    "N entries each run (default: 10000 100000); with sizes, the size roll-up of an app's findings against\n"
    "du -s of the same folders, its cache holding N files (default: 200000); with restore, putting a folder\n"
    "of N files back from the Trash by rename against by copy, verify and remove (default: 10000); with\n"
    "orphans, the scan for leftovers of removed apps on a Library of N entries against a bare listing and\n"
    "find of the same folders (default: 100000); with trash, listing a Trash of N entries with sizes and\n"
    "lanes against du -s of it (default: 100000); with dsstore, the parse speed of the large .DS_Store among\n"
    "the shared fixtures (skipped when they are not there).\n";

// Spreads `count` entries over the Library folders the way a well-used Mac does, plus the target's own
// items. Every tenth Application Support entry is a folder with two files inside.
void populate(const testing::SampleMac& mac, int count) {
  struct Share {
    const char* folder;
    int percent;
    const char* suffix;
  };
  const Share shares[] = {{"Library/Caches", 30, ""},           {"Library/Application Support", 25, ""},
                          {"Library/Preferences", 20, ".plist"}, {"Library/Containers", 10, ""},
                          {"Library/Logs", 5, ".log"},          {"Library/Saved Application State", 5, ".savedState"},
                          {"Library/HTTPStorages", 5, ""}};
  int made = 0;
  for (const auto& share : shares) {
    int n = count * share.percent / 100;
    std::string base = mac.user(share.folder);
    for (int i = 0; i < n; ++i, ++made) {
      std::string name = "com.vendor" + std::to_string(i % 997) + ".app" + std::to_string(i) + share.suffix;
      if (i % 10 == 0 && std::string(share.suffix).empty()) {
        testing::SampleMac::writeFile(base + "/" + name + "/a.db", "x");
        testing::SampleMac::writeFile(base + "/" + name + "/b.db", "x");
      } else {
        testing::SampleMac::writeFile(base + "/" + name, "x");
      }
    }
  }
  for (const char* item : {"Library/Caches/com.bench.target", "Library/Preferences/com.bench.target.plist",
                           "Library/Application Support/Bench Target", "Library/Containers/com.bench.target"})
    testing::SampleMac::writeFile(mac.user(item) + (std::string(item).find('.') == std::string::npos ? "/x" : ""), "x");
  testing::BundleInfo info{"Bench Target", "com.bench.target", "1.0", std::nullopt, {}};
  mac.addApp(info);
}

// readdir plus lstat of every entry, nothing more, over the same folders and depths.
std::size_t bareWalk(const std::string& folder, int depth, int maxDepth) {
  auto listing = platform::realFileSystem().list(folder);
  if (!listing.has_value()) return 0;
  std::size_t seen = 0;
  for (const auto& e : listing->entries) {
    std::string path = folder + "/" + e.name;
    auto st = platform::linkStatus(path);
    ++seen;
    if (st && st->type() == platform::FileType::directory && depth < maxDepth) seen += bareWalk(path, depth + 1, maxDepth);
  }
  return seen;
}

template <class F>
double medianSeconds(int runs, F f) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    f();
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

int benchAnalyze(int count) {
  testing::TemporaryFolder tmp("corvane-bench");
  testing::SampleMac mac(tmp.path());
  populate(mac, count);
  Layout layout = Layout::at(mac.root(), mac.home());
  AppAnalyzer analyzer(layout);
  InstalledApplication app{Url::fileURL(mac.system("/Applications/Bench Target.app")), "Bench Target",
                           "com.bench.target", "1.0", false};

  std::size_t walked = 0;
  auto locations = analyzer.searchLocations(Url::fileURL(layout.userLibrary()), Url::fileURL(layout.library()));
  const int runs = count >= 100000 ? 5 : 9;
  double walk = medianSeconds(runs, [&] {
    walked = 0;
    for (const auto& l : locations) walked += bareWalk(l.url.path(), 1, l.maxDepth);
  });
  std::size_t findings = 0;
  double analysis = medianSeconds(runs, [&] { findings = analyzer.analyze(app, {app}).findings.size(); });
  double peakMB = static_cast<double>(platform::peakResidentBytes()) / (1024.0 * 1024.0);
  std::printf("N = %d: %zu entries walked, %zu findings\n", count, walked, findings);
  std::printf("  analysis   %8.1f ms\n  bare walk  %8.1f ms\n  ratio      %8.2fx\n  peak memory %7.1f MB\n",
              analysis * 1000, walk * 1000, analysis / walk, peakMB);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  if (argc >= 2 && argc <= 3 && std::string_view(argv[1]) == "accuracy")
    return corvane::bench::benchAccuracy(CORVANE_SOURCE_DIR, argc == 3 && std::string_view(argv[2]) == "--list");
  if (argc == 2 && std::string_view(argv[1]) == "dsstore") return corvane::bench::benchDSStore(CORVANE_SOURCE_DIR);
  const bool rollUp = argc > 1 && std::string_view(argv[1]) == "sizes";
  const bool restore = argc > 1 && std::string_view(argv[1]) == "restore";
  const bool trash = argc > 1 && std::string_view(argv[1]) == "trash";
  const bool orphans = argc > 1 && std::string_view(argv[1]) == "orphans";
  for (int i = rollUp || restore || trash || orphans ? 2 : 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      std::printf("%s", kUsage);
      return 0;
    }
    if (a == "analyze") continue;
    int n = 0;
    auto [end, error] = std::from_chars(a.data(), a.data() + a.size(), n);
    if (error != std::errc() || end != a.data() + a.size() || n < 1 || n > kMaxEntries) {
      std::fprintf(stderr, "corvane-bench: %s is not an entry count (1 to %d); see corvane-bench --help\n", argv[i],
                   kMaxEntries);
      return 64;
    }
    sizes.push_back(n);
  }
  if (rollUp || restore || trash || orphans) {
    if (sizes.size() > 1) {
      std::fprintf(stderr, "corvane-bench: %s takes one file count; see corvane-bench --help\n", argv[1]);
      return 64;
    }
    if (orphans) return corvane::bench::benchOrphans(sizes.empty() ? 100000 : sizes.front());
    if (restore) return corvane::bench::benchRestore(sizes.empty() ? 10000 : sizes.front());
    if (trash) return corvane::bench::benchTrash(sizes.empty() ? 100000 : sizes.front());
    return corvane::bench::benchSizes(sizes.empty() ? 200000 : sizes.front());
  }
  if (sizes.empty()) sizes = {10000, 100000};
  for (int n : sizes) benchAnalyze(n);
  return 0;
}
