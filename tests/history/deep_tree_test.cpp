// Every tree operation (walk, size, remove, copy) on trees far deeper than the descriptors a process may
// hold: each reaches its own depth limit instead of running out of descriptors. The work runs in a child
// started with a low descriptor limit; this process's own limit is left alone.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "corvane/analysis/size_rollup.h"
#include "corvane/discovery/command_runner.h"
#include "corvane/history/restore.h"
#include "corvane/removal/fs_mutator.h"
#include "platform/directory.h"
#include "corvane/platform/file_system.h"
#include "platform/folder_chain.h"
#include "platform/fs_ops.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;

// The descriptor limit of the child: far below one per level, above the budget and the test's own needs.
constexpr int kChildDescriptorLimit = 64;

std::string deepPath(std::string path, int levels) {
  for (int level = 0; level < levels; ++level) path += "/d";
  return path;
}

// `levels` folders "d" below `top`, with a file at the bottom; returns the deepest folder.
std::string deepTree(const std::string& top, int levels) {
  const std::string path = deepPath(top, levels);
  fs::create_directories(path);
  SampleMac::writeFile(path + "/leaf", "x");
  return path;
}

void runDeepTreeOperations(const std::string& folder) {
  const std::string trash = SampleMac::makeFolder(folder + "/.Trash"), docs = SampleMac::makeFolder(folder + "/Docs");

  // The walk goes down to its own limit and says so about the folder below it.
  deepTree(folder + "/walked", 512);
  std::size_t deepest = 0;
  std::vector<std::pair<std::string, int>> unopened;
  platform::WalkLimits limits;
  limits.onUnopened = [&](const std::string& path, int error) { unopened.emplace_back(path, error); };
  ASSERT_TRUE(platform::realFileSystem()
                  .walk(folder + "/walked", limits,
                        [&](const platform::WalkItem& item) {
                          deepest = std::max(deepest, item.depth);
                          return platform::WalkStep::descend;
                        })
                  .has_value());
  EXPECT_EQ(deepest, platform::kMaxWalkDepth);
  EXPECT_EQ(unopened, (std::vector<std::pair<std::string, int>>{
                          {deepPath(folder + "/walked", static_cast<int>(platform::kMaxWalkDepth)), ELOOP}}));
  const auto size = sizeOf(platform::realFileSystem(), folder + "/walked");
  ASSERT_TRUE(size.has_value());
  EXPECT_EQ(size->entries, platform::kMaxWalkDepth + 1);
  EXPECT_TRUE(size->atLeast);

  // The copy of a restore takes all 512 levels below the item, and the remover then takes the original.
  deepTree(trash + "/Deep", 511);
  EXPECT_EQ(RestoreExecutor().restore(trash + "/Deep", {"Deep", docs, "Deep"}, {trash}, true),
            RestoreOutcome::restored(docs + "/Deep", RestoreStrategy::copyVerifyRemove));
  EXPECT_EQ(SampleMac::readFile(deepPath(docs + "/Deep", 511) + "/leaf"), "x");
  EXPECT_FALSE(fs::exists(trash + "/Deep"));
  // One level more than a copy takes: nothing is left of the partial copy.
  deepTree(trash + "/Deeper", 512);
  EXPECT_EQ(RestoreExecutor().restore(trash + "/Deeper", {"Deeper", docs, "Deeper"}, {trash}, true),
            RestoreOutcome::copyFailed("copy"));
  EXPECT_EQ(SampleMac::entryNames(docs), std::set<std::string>{"Deep"});

  // The remover takes 512 levels and stops at its limit one level below that.
  EXPECT_EQ(FSMutator::deleteItem(trash + "/Deeper", 1, {trash}, {}), ItemOutcome::deleted(trash + "/Deeper", 1));
  deepTree(trash + "/Deepest", 513);
  EXPECT_EQ(FSMutator::deleteItem(trash + "/Deepest", 1, {trash}, {}),
            ItemOutcome::failed(trash + "/Deepest", 0, "directory nested too deep (512)"));
}

TEST(DeepTreeTest, EveryTreeOperationReachesItsDepthLimitWithFewDescriptors) {
  if (const char* folder = std::getenv("CORVANE_DEEP_TREE_FOLDER")) {
    runDeepTreeOperations(folder);
    return;
  }
  testing::TemporaryFolder tmp("deep");
  auto child = CommandRunner().runWithStatus(
      "/bin/sh", {"-c", "ulimit -n " + std::to_string(kChildDescriptorLimit) +
                            " && CORVANE_DEEP_TREE_FOLDER=\"$1\" exec \"$2\" "
                            "--gtest_filter=DeepTreeTest.EveryTreeOperationReachesItsDepthLimitWithFewDescriptors",
                  "sh", tmp.path(), fs::read_symlink("/proc/self/exe").string()});
  EXPECT_EQ(child.status, 0) << child.output;
  EXPECT_NE(child.output.find("[  PASSED  ] 1 test."), std::string::npos) << child.output;
}

// A folder given up to stay within the budget is opened again only as the very folder it was.
TEST(FolderChainTest, StaysWithinItsBudgetAndRefusesAFolderSwappedMeanwhile) {
  testing::TemporaryFolder tmp("chain");
  deepTree(tmp.path() + "/t", 10);
  auto base = platform::openDirectory(tmp.path());
  ASSERT_TRUE(base.has_value());
  platform::FolderChain chain(base->get(), 3);
  ASSERT_TRUE(chain.enter("t").has_value());
  for (int level = 0; level < 10; ++level) {
    ASSERT_TRUE(chain.enter("d").has_value());
    EXPECT_LE(chain.openDescriptors(), 3u);
  }
  for (int level = 0; level < 6; ++level) chain.leave();
  ASSERT_TRUE(chain.current().has_value());  // five levels down, opened again from the top
  EXPECT_EQ(chain.depth(), 5u);
  EXPECT_EQ(platform::realPath("/proc/self/fd/" + std::to_string(chain.current().value())).value_or(""),
            tmp.path() + "/t/d/d/d/d");
  chain.leave();
  chain.leave();
  chain.leave();
  // The folder two levels down is swapped for another of the same name while the chain has given it up.
  fs::rename(tmp.path() + "/t/d", tmp.path() + "/aside");
  deepTree(tmp.path() + "/t", 1);
  const auto swapped = chain.current();
  ASSERT_FALSE(swapped.has_value());
  EXPECT_EQ(swapped.error().code, ESTALE);
}

}  // namespace
}  // namespace corvane
