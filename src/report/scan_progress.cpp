#include "report/scan_progress.h"

#include <ostream>
#include <string>

namespace corvane::report {

ScanProgress::ScanProgress(std::ostream& err, bool enabled, Clock clock, std::chrono::milliseconds delay, std::string what)
    : err_(err), enabled_(enabled), clock_(std::move(clock)), start_(clock_()), delay_(delay), what_(std::move(what)) {}

ScanProgress::~ScanProgress() {
  // Erase the line so that what follows starts at the left margin.
  if (shown_) err_ << "\r\033[K" << std::flush;
}

SizeProgressCallback ScanProgress::callback() {
  if (!enabled_) return nullptr;
  return [this](const SizeProgress& progress) {
    report(progress.entriesSeen);
    return true;
  };
}

void ScanProgress::report(std::uint64_t entries) {
  if (!enabled_) return;
  const auto now = clock_();
  if (now - start_ < delay_) return;
  if (shown_ && now - lastShown_ < std::chrono::milliseconds(100)) return;
  lastShown_ = now;
  shown_ = true;
  err_ << "\r\033[K" << what_ << "… " << entries << (entries == 1 ? " entry" : " entries") << " walked" << std::flush;
}

Result<platform::Listing> CountingFileSystem::list(const std::string& folder, const platform::ListOptions& options) const {
  auto listed = inner_->list(folder, options);
  if (listed.has_value()) progress_.report(entries_ += listed.value().entries.size());
  return listed;
}

Status CountingFileSystem::walk(const std::string& root, const platform::WalkLimits& limits,
                                const platform::WalkVisitor& visit) const {
  return inner_->walk(root, limits, [&](const platform::WalkItem& item) {
    progress_.report(++entries_);
    return visit(item);
  });
}

}  // namespace corvane::report
