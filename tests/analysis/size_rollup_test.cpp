// The size roll-up: allocated bytes, hard links once, links not followed, holes not counted, one device,
// unreadable folders as a lower bound, many items at once, cancellation.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "corvane/analysis/size_rollup.h"
#include "corvane/discovery/command_runner.h"
#include "platform/file_status.h"
#include "corvane/platform/file_system.h"
#include "corvane/platform/memory_file_system.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;

std::int64_t allocated(const std::string& path) { return platform::linkStatus(path).value().allocatedSize; }

TEST(SizeRollupTest, CountsWhatTheItemHoldsOnDisk) {
  struct Case {
    const char* name;
    void (*build)(const std::string& item, const std::string& outside);
    std::vector<std::string> counted;  // below the case folder: what the total is made of
  };
  const Case cases[] = {
      {"a hard-linked file counts once",
       [](const std::string& item, const std::string&) {
         SampleMac::writeFile(item + "/a.db", std::string(64'000, 'a'));
         fs::create_hard_link(item + "/a.db", item + "/b.db");
         fs::create_directories(item + "/sub");
         fs::create_hard_link(item + "/a.db", item + "/sub/c.db");
       },
       {"item", "item/a.db", "item/sub"}},
      {"a link to a big folder elsewhere counts as the link",
       [](const std::string& item, const std::string& outside) {
         SampleMac::writeFile(outside + "/big.bin", std::string(2'000'000, 'b'));
         fs::create_directories(item);
         fs::create_directory_symlink(outside, item + "/elsewhere");
       },
       {"item", "item/elsewhere"}},
      {"a sparse file counts its written blocks",
       [](const std::string& item, const std::string&) {
         SampleMac::writeFile(item + "/disk.img", std::string(4096, 's'));
         fs::resize_file(item + "/disk.img", 64'000'000);
       },
       {"item", "item/disk.img"}},
      {"hidden items count",
       [](const std::string& item, const std::string&) { SampleMac::writeFile(item + "/.index", "x"); },
       {"item", "item/.index"}},
      {"a file on its own",
       [](const std::string& item, const std::string&) { SampleMac::writeFile(item, std::string(10'000, 'f')); },
       {"item"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TemporaryFolder tmp("rollup");
    c.build(tmp.path() + "/item", tmp.path() + "/outside");
    std::int64_t expected = 0;
    for (const auto& p : c.counted) expected += allocated(tmp.path() + "/" + p);
    EXPECT_EQ(sizeOf(platform::realFileSystem(), tmp.path() + "/item"),
              (SizeTotal{expected, c.counted.size(), false}));
  }
  // The hole is not counted: a 64 MB file with 4 KB written takes well under a megabyte.
  testing::TemporaryFolder tmp("rollup");
  SampleMac::writeFile(tmp.path() + "/img", std::string(4096, 's'));
  fs::resize_file(tmp.path() + "/img", 64'000'000);
  EXPECT_LT(sizeOf(platform::realFileSystem(), tmp.path() + "/img")->allocatedBytes, 1'000'000);
  EXPECT_EQ(sizeOf(platform::realFileSystem(), tmp.path() + "/absent"), std::nullopt);

  // Deeper than a walk goes, the total is a lower bound; with an entry limit, too large has no total.
  std::string deep = tmp.path() + "/deep";
  for (int i = 0; i < 70; ++i) deep += "/d";
  fs::create_directories(deep);
  EXPECT_TRUE(sizeOf(platform::realFileSystem(), tmp.path() + "/deep")->atLeast);
  SizeRollupOptions limited;
  limited.maxEntriesPerItem = 3;
  SampleMac::writeFile(tmp.path() + "/four/a/b/c/d", "x");
  SampleMac::writeFile(tmp.path() + "/three/a/b/c", "x");
  const auto totals = rollUpSizes(platform::realFileSystem(), {tmp.path() + "/four", tmp.path() + "/three"}, limited).totals;
  EXPECT_EQ(totals[0], std::nullopt);
  EXPECT_EQ(totals[1]->entries, 4u);
}

// In the child: a tmpfs mounted inside the item is left out.
TEST(SizeRollupTest, StaysOnTheItemsDevice) {
  if (const char* item = std::getenv("CORVANE_ROLLUP_MOUNTED_ITEM")) {
    const std::string path = item;
    ASSERT_NE(platform::linkStatus(path)->device, platform::linkStatus(path + "/mounted")->device);
    EXPECT_EQ(sizeOf(platform::realFileSystem(), path),
              (SizeTotal{allocated(path) + allocated(path + "/kept.db"), 2, false}));
    return;
  }
  testing::TemporaryFolder tmp("rollup");
  const std::string item = tmp.path() + "/item";
  SampleMac::writeFile(item + "/kept.db", std::string(8000, 'k'));
  fs::create_directories(item + "/mounted");
  CommandRunner shell;
  if (shell.runWithStatus("/usr/bin/unshare", {"-m", "true"}).status != 0)
    GTEST_SKIP() << "no private mount namespace here";
  auto outcome = shell.runWithStatus(
      "/usr/bin/unshare",
      {"-m", "--propagation", "private", "/bin/sh", "-c",
       "mount -t tmpfs rollup \"$1/mounted\" && head -c 3000000 /dev/zero > \"$1/mounted/big\" && "
       "CORVANE_ROLLUP_MOUNTED_ITEM=\"$1\" exec \"$2\" --gtest_filter=SizeRollupTest.StaysOnTheItemsDevice",
       "sh", item, fs::read_symlink("/proc/self/exe").string()});
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("[  PASSED  ] 1 test."), std::string::npos) << outcome.output;
}

TEST(SizeRollupTest, RollsUpManyItemsAtOnceAndCanBeCancelled) {
  platform::MemoryFileSystem mac;
  mac.addFile("/c/one/a", std::string(5000, 'a'));  // 8192 allocated
  mac.addFile("/c/one/locked/x", "x");
  mac.denyListing("/c/one/locked");
  mac.addFile("/c/two", "tiny");  // 4096
  mac.addLink("/c/three", "/c/one");
  const std::vector<std::string> paths{"/c/one", "/c/two", "/c/three", "/c/absent"};
  const std::vector<std::optional<SizeTotal>> expected{SizeTotal{8192, 3, true}, SizeTotal{4096, 1, false},
                                                       SizeTotal{0, 1, false}, std::nullopt};
  for (unsigned threads : {1u, 2u, 8u}) {
    SCOPED_TRACE(threads);
    std::vector<SizeProgress> seen;
    SizeRollupOptions options{[&](const SizeProgress& p) { return seen.push_back(p), true; }, threads, 1};
    SizeRollup rollup = rollUpSizes(mac, paths, options);
    EXPECT_FALSE(rollup.cancelled);
    EXPECT_EQ(rollup.totals, expected);
    EXPECT_EQ(rollup.sum(), (SizeTotal{12288, 5, true}));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().itemsDone, 3u);
    EXPECT_EQ(seen.back().itemsTotal, 4u);
    EXPECT_EQ(seen.back().bytesSoFar, 12288);
  }
  int calls = 0;
  SizeRollup cancelled = rollUpSizes(mac, paths, {[&](const SizeProgress&) { return ++calls < 2; }, 1, 1});
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(cancelled.totals, (std::vector<std::optional<SizeTotal>>(4)));
}

}  // namespace
}  // namespace corvane
