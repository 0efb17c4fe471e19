#pragma once
// A progress line on the error stream for scans that take a while: nothing for the first second, then
// the entries walked so far, rewritten in place; the line is cleared when the scan ends.

#include <chrono>
#include <functional>
#include <iosfwd>

#include "corvane/analysis/size_rollup.h"

namespace corvane::cli {

class ScanProgress {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // Shows nothing at all unless `enabled` (the error stream is a terminal and the output is not JSON).
  ScanProgress(std::ostream& err, bool enabled, Clock clock = std::chrono::steady_clock::now,
               std::chrono::milliseconds delay = std::chrono::seconds(1));
  ~ScanProgress();
  ScanProgress(const ScanProgress&) = delete;
  ScanProgress& operator=(const ScanProgress&) = delete;

  // For the size roll-up; never cancels it. Empty when disabled.
  SizeProgressCallback callback();
  // Shows `entries` walked so far, once the delay has passed and at most ten times a second.
  void report(std::uint64_t entries);

 private:
  std::ostream& err_;
  bool enabled_;
  Clock clock_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastShown_{};
  std::chrono::milliseconds delay_;
  bool shown_ = false;
};

}  // namespace corvane::cli
