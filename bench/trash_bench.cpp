// corvane-bench trash: listing a Trash of N entries with sizes, origins and lanes (what `corvane trash`
// does) against `du -s` of the same folder, in one run; and the process's peak memory.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "corvane/discovery/command_runner.h"
#include "corvane/trash/leftovers_scanner.h"
#include "sample_mac/ds_store_writer.h"
#include "sample_mac/sample_mac.h"

namespace corvane::bench {


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
  const Spread listing = measure(runs, [&] {
    auto state = scanner.scan({});
    rows = state.result.rows.size();
    bytes = state.result.totalBytes();
  });
  const Spread du = measure(runs, [&] { (void)runner.runWithStatus("/usr/bin/du", {"-s", "-x", trash}); });
  std::printf("Trash of %d entries: %zu rows, %lld bytes\n", entries, rows, static_cast<long long>(bytes));
  printSpread("Trash listing", listing);
  printSpread("du -s -x (process)", du);
  printSummary("trash " + std::to_string(entries), milliseconds(listing.median), "du -s " + milliseconds(du.median),
               listing.median / du.median);
  return rows == static_cast<std::size_t>(topLevel) ? 0 : 1;
}

}  // namespace corvane::bench
