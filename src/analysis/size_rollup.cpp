#include "corvane/analysis/size_rollup.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <utility>

#include "corvane/platform/file_system.h"

namespace corvane {

SizeTotal& SizeTotal::operator+=(const SizeTotal& other) {
  allocatedBytes += other.allocatedBytes;
  entries += other.entries;
  atLeast = atLeast || other.atLeast;
  return *this;
}

SizeTotal SizeRollup::sum() const {
  SizeTotal total;
  for (const auto& t : totals) {
    if (t)
      total += *t;
    else
      total.atLeast = true;
  }
  return total;
}

namespace {

struct InodeKey {
  std::uint64_t device;
  std::uint64_t inode;
  bool operator==(const InodeKey&) const = default;
};
struct InodeHash {
  std::size_t operator()(const InodeKey& k) const noexcept {
    return std::hash<std::uint64_t>{}(k.inode * 0x9E3779B97F4A7C15ull ^ k.device);
  }
};

// Shared by the threads of one roll-up: the running figures and the caller's callback behind one lock.
class Reporter {
 public:
  Reporter(const SizeRollupOptions& options, std::size_t itemsTotal) : options_(options) {
    progress_.itemsTotal = itemsTotal;
  }
  bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }
  // Adds what one walk counted since it last reported; false once the roll-up is cancelled.
  bool add(std::uint64_t entries, std::int64_t bytes, bool itemDone) {
    if (!options_.progress) return !cancelled();
    std::lock_guard lock(mutex_);
    progress_.entriesSeen += entries;
    progress_.bytesSoFar += bytes;
    progress_.itemsDone += itemDone;
    if (!cancelled_ && !options_.progress(progress_)) cancelled_ = true;
    return !cancelled_;
  }

 private:
  const SizeRollupOptions& options_;
  std::mutex mutex_;
  SizeProgress progress_;
  std::atomic<bool> cancelled_ = false;
};

// The total of one item; none when it is missing or the roll-up was cancelled meanwhile.
std::optional<SizeTotal> rollUp(const platform::FileSystem& fs, const std::string& path, Reporter* reporter,
                                std::uint64_t every, std::uint64_t maxEntries, bool countLinks = true) {
  auto top = fs.linkStatus(path);
  if (!top.has_value()) return std::nullopt;
  SizeTotal total{top->allocatedSize, 1, false};
  std::uint64_t sinceReport = 0;
  std::int64_t bytesSinceReport = top->allocatedSize;
  bool stopped = false;
  if (top->type() == platform::FileType::directory) {
    const std::uint64_t device = top->device;
    std::unordered_set<InodeKey, InodeHash> linked;
    platform::WalkLimits limits;
    limits.skipHidden = false;
    limits.sorted = false;
    limits.withStatus = true;
    limits.onUnopened = [&](const std::string&, int) { total.atLeast = true; };
    std::uint64_t inside = 0;
    auto walked = fs.walk(path, limits, [&](const platform::WalkItem& item) {
      if (maxEntries != 0 && ++inside > maxEntries) {
        stopped = true;  // too large to measure
        return platform::WalkStep::stop;
      }
      if (reporter && ++sinceReport >= every) {
        if (!reporter->add(sinceReport, bytesSinceReport, false)) {
          stopped = true;
          return platform::WalkStep::stop;
        }
        sinceReport = 0;
        bytesSinceReport = 0;
      }
      if (!item.status) {
        total.atLeast = true;  // gone meanwhile, or not examinable
        return platform::WalkStep::skipDescendants;
      }
      const auto& st = *item.status;
      if (st.device != device) return platform::WalkStep::skipDescendants;  // another volume mounted here
      const bool isFolder = st.type() == platform::FileType::directory;
      if (!isFolder && st.linkCount > 1 && !linked.insert(InodeKey{st.device, st.inode}).second)
        return platform::WalkStep::skipDescendants;
      const std::int64_t bytes = countLinks || st.type() != platform::FileType::symlink ? st.allocatedSize : 0;
      total.allocatedBytes += bytes;
      bytesSinceReport += bytes;
      ++total.entries;
      return isFolder ? platform::WalkStep::descend : platform::WalkStep::skipDescendants;
    });
    if (!walked.has_value()) total.atLeast = true;  // the folder itself could not be read
  }
  if (stopped) return std::nullopt;
  if (reporter && !reporter->add(sinceReport, bytesSinceReport, true)) return std::nullopt;
  return total;
}

}  // namespace

std::optional<SizeTotal> sizeOf(const platform::FileSystem& fileSystem, const std::string& path) {
  return rollUp(fileSystem, path, nullptr, 0, 0);
}

SizeRollup rollUpSizes(const platform::FileSystem& fileSystem, const std::vector<std::string>& paths,
                       const SizeRollupOptions& options) {
  SizeRollup result;
  result.totals.resize(paths.size());
  Reporter reporter(options, paths.size());
  const std::uint64_t every = std::max<std::uint64_t>(options.progressEveryEntries, 1);
  std::atomic<std::size_t> next = 0;
  auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < paths.size() && !reporter.cancelled();)
      result.totals[i] = rollUp(fileSystem, paths[i], &reporter, every, options.maxEntriesPerItem, options.countLinks);
  };
  unsigned threads = options.maxThreads ? options.maxThreads : std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, paths.size()));
  if (threads <= 1) {
    work();
  } else {
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    try {
      for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
    } catch (const std::system_error&) {
      // No more threads to be had: the ones there are (and this one) share the work.
    }
    work();
    for (auto& t : pool) t.join();
  }
  result.cancelled = reporter.cancelled();
  if (result.cancelled)
    for (auto& t : result.totals) t.reset();
  return result;
}

SizeRollup rollUpSizes(const std::vector<std::string>& paths, const SizeRollupOptions& options) {
  return rollUpSizes(platform::realFileSystem(), paths, options);
}

}  // namespace corvane
