#pragma once
// Timing shared by the benchmark cases: processor time (this process's and its ended children's) and wall
// time of repeated runs, reported as min / median / max, and the one-line summary every case ends with.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/resources.h"

namespace corvane::bench {

struct Spread {
  double min = 0, median = 0, max = 0;  // CPU milliseconds
  double wallMedian = 0;                // milliseconds
};

template <class F>
Spread measure(int runs, F&& f) {
  std::vector<double> cpu, wall;
  for (int i = 0; i < runs; ++i) {
    const auto before = platform::cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    f();
    const auto after = platform::cpuSeconds();
    wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() * 1000);
    cpu.push_back(((after.self - before.self) + (after.children - before.children)) * 1000);
  }
  std::sort(cpu.begin(), cpu.end());
  std::sort(wall.begin(), wall.end());
  return {cpu.front(), cpu[cpu.size() / 2], cpu.back(), wall[wall.size() / 2]};
}

inline double peakMegabytes() { return static_cast<double>(platform::peakResidentBytes()) / (1024.0 * 1024.0); }

inline void printSpread(const char* what, const Spread& s) {
  std::printf("  %-26s CPU min %8.1f  median %8.1f  max %8.1f ms   wall median %8.1f ms\n", what, s.min, s.median,
              s.max, s.wallMedian);
}

// The line `make bench` collects into its table: the case, its figure against the floor's, the ratio and
// the peak memory of this process so far.
inline void printSummary(const std::string& name, const std::string& figure, const std::string& floor, double ratio) {
  std::printf("= %-34s %-16s floor %-26s ratio %6.2fx  peak %6.1f MB\n", name.c_str(), figure.c_str(), floor.c_str(),
              ratio, peakMegabytes());
}

inline std::string milliseconds(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f ms", ms);
  return text;
}

}  // namespace corvane::bench
