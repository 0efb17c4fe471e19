// corvane-bench dsstore: parse speed of the large Finder-written .DS_Store among the shared fixtures.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "corvane/formats/ds_store.h"
#include "platform/file_io.h"

namespace corvane::bench {

int benchDSStore(const std::string& sourceDir) {
  const std::string path = sourceDir + "/../shared/fixtures/ds_store/large.DS_Store";
  auto bytes = platform::readFileBytes(path, 64u << 20);
  if (!bytes.has_value()) {
    std::printf("dsstore: skipped, %s is not there\n", path.c_str());
    return 0;
  }
  const auto& data = bytes.value();
  const auto first = DSStore::parse(data);
  if (!first.ok()) {
    std::fprintf(stderr, "dsstore: %s does not parse\n", path.c_str());
    return 1;
  }
  // Enough rounds for about 100 MB, timed one by one; the median round counts.
  const int rounds = std::max<int>(5, static_cast<int>((100u << 20) / std::max<std::size_t>(data.size(), 1)));
  std::vector<double> seconds;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const auto parsed = DSStore::parse(data);
    seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (parsed.records.size() != first.records.size()) return 1;
  }
  std::sort(seconds.begin(), seconds.end());
  const double median = seconds[seconds.size() / 2];
  std::printf("dsstore: %zu bytes, %zu records, median %.3f ms over %d rounds: %.1f MB/s\n", data.size(),
              first.records.size(), median * 1000, rounds, static_cast<double>(data.size()) / median / 1e6);
  return 0;
}

}  // namespace corvane::bench
