#pragma once
// How much room items take on disk, and so how much removing them gives back: the allocated bytes of an
// item and everything inside it, each hard-linked file counted once, never crossing onto another device
// and never following a link. A folder that could not be read makes the total a lower bound.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "corvane/platform/file_system.h"

namespace corvane {

struct SizeTotal {
  std::int64_t allocatedBytes = 0;
  std::uint64_t entries = 0;  // the item itself and everything counted inside it
  bool atLeast = false;       // something inside could not be read: the true total is larger

  SizeTotal& operator+=(const SizeTotal& other);
  bool operator==(const SizeTotal&) const = default;
};

struct SizeProgress {
  std::size_t itemsDone = 0;  // items whose total is complete
  std::size_t itemsTotal = 0;
  std::uint64_t entriesSeen = 0;
  std::int64_t bytesSoFar = 0;
};
// Told now and then while the roll-up runs, never from two threads at once; returning false cancels it.
using SizeProgressCallback = std::function<bool(const SizeProgress&)>;

struct SizeRollupOptions {
  SizeProgressCallback progress;
  // Items rolled up at once, each on its own thread for the length of the call; 0: one per processor.
  unsigned maxThreads = 0;
  std::uint64_t progressEveryEntries = 4096;
  // An item with more entries than this inside it gets no total (too large to measure); 0: no limit.
  std::uint64_t maxEntriesPerItem = 0;
  // Whether the blocks a symbolic link itself takes count inside a folder (its target never does).
  bool countLinks = true;
};

struct SizeRollup {
  // One per path asked for, in the same order; none when the item is missing or has more entries than
  // the limit, and all none when the roll-up was cancelled.
  std::vector<std::optional<SizeTotal>> totals;
  bool cancelled = false;

  // The sum of the totals there are; `atLeast` when any is a lower bound or missing.
  SizeTotal sum() const;
};

// The total of each path (a Mac path on this machine's disk); the threads end before it returns.
SizeRollup rollUpSizes(const platform::FileSystem& fileSystem, const std::vector<std::string>& paths,
                       const SizeRollupOptions& options = {});
// The same on this machine's own disk.
SizeRollup rollUpSizes(const std::vector<std::string>& paths, const SizeRollupOptions& options = {});
// The total of one item, on the calling thread.
std::optional<SizeTotal> sizeOf(const platform::FileSystem& fileSystem, const std::string& path);

}  // namespace corvane
