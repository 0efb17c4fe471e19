// corvane-bench trash: listing a Trash of N entries with sizes, origins and lanes (what `corvane trash`
// does) against `du -s` of the same folder, in one run; and the process's peak memory.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "corvane/discovery/command_runner.h"
#include "corvane/trash/leftovers_scanner.h"
#include "platform/resources.h"
#include "sample_mac/ds_store_writer.h"
#include "sample_mac/sample_mac.h"

namespace corvane::bench {

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
  double wall = 0;
  double cpu = 0;  // this process's and its children's
};

template <class F>
std::vector<Timing> timings(int runs, F f) {
  std::vector<Timing> all;
  for (int i = 0; i < runs; ++i) {
    const auto before = platform::cpuSeconds();
    const auto start = Clock::now();
    f();
    const auto after = platform::cpuSeconds();
    all.push_back({std::chrono::duration<double>(Clock::now() - start).count(),
                   (after.self - before.self) + (after.children - before.children)});
  }
  std::sort(all.begin(), all.end(), [](const Timing& a, const Timing& b) { return a.cpu < b.cpu; });
  return all;
}

void print(const char* what, const std::vector<Timing>& t) {
  std::printf("  %-22s CPU min %7.1f  median %7.1f  max %7.1f ms   wall median %7.1f ms\n", what, t.front().cpu * 1000,
              t[t.size() / 2].cpu * 1000, t.back().cpu * 1000, t[t.size() / 2].wall * 1000);
}

}  // namespace

// A Trash of `entries` entries: a thousand top-level items, half of them folders holding the rest, and a
// .DS_Store with Put Back records for every top-level item.
int benchTrash(int entries) {
  testing::TemporaryFolder tmp("corvane-bench");
  testing::SampleMac mac(tmp.path());
  const Layout layout = Layout::at(mac.root(), mac.home());
  const std::string trash = layout.userTrash();
  const int topLevel = std::min(entries, 1000);
  const int folders = topLevel / 2;
  const int inside = entries - topLevel;
  std::printf("building a Trash of %d entries (%d top-level items)...\n", entries, topLevel);
  std::vector<testing::PutBackEntry> records;
  for (int i = 0; i < topLevel; ++i) {
    const std::string name = (i < folders ? "Folder " : "File ") + std::to_string(i) + (i < folders ? "" : ".txt");
    records.push_back({name, "Users/bench/Documents/", name});
    if (i >= folders) testing::SampleMac::writeFile(trash + "/" + name, std::string(3000, 'f'));
  }
  for (int i = 0; i < inside; ++i)
    testing::SampleMac::writeFile(trash + "/Folder " + std::to_string(i % std::max(folders, 1)) + "/part" +
                                      std::to_string(i / 1000) + "/item" + std::to_string(i),
                                  i % 10 == 0 ? std::string(1500, 'c') : std::string());
  testing::writeTrashDSStore(trash, records);

  CommandRunner runner;
  LeftoversScanner scanner(layout);
  std::size_t rows = 0;
  std::int64_t bytes = 0;
  (void)scanner.scan({});  // warm the cache for both
  (void)runner.runWithStatus("/usr/bin/du", {"-s", "-x", trash});
  const int runs = 5;
  const auto listing = timings(runs, [&] {
    auto state = scanner.scan({});
    rows = state.result.rows.size();
    bytes = state.result.totalBytes();
  });
  const auto du = timings(runs, [&] { (void)runner.runWithStatus("/usr/bin/du", {"-s", "-x", trash}); });
  std::printf("Trash of %d entries: %zu rows, %lld bytes\n", entries, rows, static_cast<long long>(bytes));
  print("Trash listing", listing);
  print("du -s -x (process)", du);
  std::printf("  ratio (median CPU)     %.2fx du\n  peak memory            %.1f MB (whole process)\n",
              listing[runs / 2].cpu / du[runs / 2].cpu, static_cast<double>(platform::peakResidentBytes()) / 1e6);
  return rows == static_cast<std::size_t>(topLevel) ? 0 : 1;
}

}  // namespace corvane::bench
