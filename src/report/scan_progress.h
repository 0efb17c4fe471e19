#pragma once
// A progress line on the error stream for scans that take a while: nothing for the first second, then
// the entries walked so far, rewritten in place; the line is cleared when the scan ends.

#include <chrono>
#include <functional>
#include <iosfwd>

#include <memory>
#include <string>

#include "corvane/analysis/size_rollup.h"
#include "corvane/platform/file_system.h"

namespace corvane::report {

class ScanProgress {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // Shows nothing at all unless `enabled` (the error stream is a terminal and the output is not JSON).
  // `what` starts the line ("Measuring", "Analysing").
  ScanProgress(std::ostream& err, bool enabled, Clock clock = std::chrono::steady_clock::now,
               std::chrono::milliseconds delay = std::chrono::seconds(1), std::string what = "Measuring");
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
  std::string what_;
};

// The file system `inner`, telling `progress` of every entry that a listing or a walk meets: progress
// for scans that take a file system but no progress callback of their own (the analysis walk).
class CountingFileSystem : public platform::FileSystem {
 public:
  CountingFileSystem(std::shared_ptr<const platform::FileSystem> inner, ScanProgress& progress)
      : inner_(std::move(inner)), progress_(progress) {}

  Result<platform::Listing> list(const std::string& folder, const platform::ListOptions& options) const override;
  Status walk(const std::string& root, const platform::WalkLimits& limits,
              const platform::WalkVisitor& visit) const override;
  Result<platform::FileStatus> linkStatus(const std::string& path) const override { return inner_->linkStatus(path); }
  Result<DiskIdentity> diskIdentity(const std::string& path) const override { return inner_->diskIdentity(path); }
  Result<std::string> readLink(const std::string& path) const override { return inner_->readLink(path); }
  Result<std::string> realPath(const std::string& path) const override { return inner_->realPath(path); }
  Result<std::vector<std::uint8_t>> readFile(const std::string& path, std::size_t maxBytes) const override {
    return inner_->readFile(path, maxBytes);
  }
  Status renameExclusive(const std::string& from, const std::string& to) const override {
    return inner_->renameExclusive(from, to);
  }

 private:
  std::shared_ptr<const platform::FileSystem> inner_;
  ScanProgress& progress_;
  mutable std::uint64_t entries_ = 0;
};

}  // namespace corvane::report
