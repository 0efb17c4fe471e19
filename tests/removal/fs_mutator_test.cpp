// Permanent removal inside a Trash folder: what is refused untouched, what is removed, locks, and a
// folder swapped for a link or a volume mounted while the removal runs.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <thread>

#include "corvane/discovery/command_runner.h"
#include "corvane/removal/fs_mutator.h"
#include "sample_mac/sample_mac.h"
#include "support/tree_listing.h"

namespace corvane {

void PrintTo(const ItemOutcome& o, std::ostream* os) {
  *os << "kind " << static_cast<int>(o.kind) << " path " << o.path << " bytes " << o.bytes << " blocker "
      << static_cast<int>(o.blocker.kind) << " skip " << static_cast<int>(o.skip) << " error " << o.error
      << " note " << o.note;
}

namespace {

namespace fs = std::filesystem;
using test_support::treeListing;
using test_support::withoutSubtree;
using testing::SampleMac;
using testing::TemporaryFolder;
using Options = FSMutator::DeleteOptions;

class FSMutatorTest : public ::testing::Test {
 protected:
  TemporaryFolder tmp{"mutator"};
  std::string top = fs::canonical(tmp.path()).string();
  std::string trash = SampleMac::makeFolder(top + "/home/.Trash");
  std::string outside = SampleMac::makeFolder(top + "/outside");
  std::vector<std::string> roots{trash};

  void SetUp() override {
    SampleMac::writeFile(outside + "/keep.txt", "precious");
    SampleMac::writeFile(outside + "/sub/deep.txt", "precious too");
  }
  ItemOutcome remove(const std::string& path, Options options = {}, std::optional<std::int64_t> size = 7) {
    return FSMutator::deleteItem(path, size, roots, options);
  }
};

TEST_F(FSMutatorTest, RefusesWhatIsNotProvablyInsideTheTrashWithoutTouchingIt) {
  fs::create_directory_symlink(outside, trash + "/link");
  SampleMac::writeFile(trash + "/sub/x");
  const auto before = treeListing(top);
  using S = SkipReason;
  const std::vector<std::pair<std::string, ItemOutcome>> cases{
      {trash + "/../../outside/keep.txt", ItemOutcome::skippedUnsafe(trash + "/../../outside/keep.txt", S::notInTrashAfterRealpath)},
      {outside + "/keep.txt", ItemOutcome::skippedUnsafe(outside + "/keep.txt", S::notInTrashAfterRealpath)},
      {trash + "/link/keep.txt", ItemOutcome::skippedUnsafe(trash + "/link/keep.txt", S::notInTrashAfterRealpath)},
      {trash, ItemOutcome::skippedUnsafe(trash, S::notInTrashAfterRealpath)},
      {trash + "/sub/..", ItemOutcome::skippedUnsafe(trash + "/sub/..", S::outsideTrash)},
      {trash + "/.", ItemOutcome::skippedUnsafe(trash + "/.", S::outsideTrash)},
      {"/", ItemOutcome::skippedUnsafe("/", S::outsideTrash)},
      {"home/.Trash/sub", ItemOutcome::skippedUnsafe("home/.Trash/sub", S::outsideTrash)},
      {trash + "/gone", ItemOutcome::alreadyGone(trash + "/gone")},
      {trash + "/no/such/item", ItemOutcome::alreadyGone(trash + "/no/such/item")},
  };
  for (const auto& [path, expected] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(remove(path), expected);
  }
  EXPECT_EQ(FSMutator::deleteItem(trash + "/sub/x", 1, {"/"}, {}),
            ItemOutcome::skippedUnsafe(trash + "/sub/x", S::notInTrashAfterRealpath));
  EXPECT_EQ(treeListing(top), before);
}

TEST_F(FSMutatorTest, RemovesFilesFoldersLinksAndOddNamesOnly) {
  const std::vector<std::string> names{"plain.txt", "line\nbreak", "quote\"'s", "-rf", "bad\xff\xfe utf8",
                                       " spaced ", "folder"};
  for (const std::string& name : names) SampleMac::writeFile(trash + "/" + name, "data");
  for (int d = 0; d < 100; ++d)
    for (int f = 0; f < 99; ++f) SampleMac::writeFile(trash + "/big/d" + std::to_string(d) + "/f" + std::to_string(f));
  fs::create_directory_symlink(outside, trash + "/folder link");
  fs::create_symlink(outside + "/keep.txt", trash + "/file link");
  SampleMac::writeFile(trash + "/kept");

  // A dry run decides and leaves everything in place.
  auto before = treeListing(top);
  EXPECT_EQ(remove(trash + "/big", {false, true}, 4096), ItemOutcome::wouldDelete(trash + "/big", 4096));
  EXPECT_EQ(remove(trash + "/plain.txt", {true, true}, -5), ItemOutcome::wouldDelete(trash + "/plain.txt", 0));
  EXPECT_EQ(treeListing(top), before);

  std::vector<std::string> removed(names);
  removed.insert(removed.end(), {"big", "folder link", "file link"});
  for (const std::string& name : removed) {
    SCOPED_TRACE(name);
    EXPECT_EQ(remove(trash + "/" + name, {}, std::nullopt), ItemOutcome::deleted(trash + "/" + name, 0));
    before = withoutSubtree(before, "home/.Trash/" + name);
  }
  EXPECT_EQ(treeListing(top), before);
  EXPECT_EQ(SampleMac::entryNames(trash), (std::set<std::string>{"kept"}));
}

TEST_F(FSMutatorTest, StopsBelowTheNestingLimit) {
  std::string deep = trash + "/deep";
  for (int level = 0; level < 600; ++level) deep += "/d";
  fs::create_directories(deep);
  EXPECT_EQ(remove(trash + "/deep"), ItemOutcome::failed(trash + "/deep", 0, "directory nested too deep (512)"));
  EXPECT_TRUE(fs::exists(trash + "/deep"));
}

TEST_F(FSMutatorTest, LockedItemsNeedForceAndSystemLocksAlwaysBlock) {
  std::map<std::string, std::uint32_t> flags;
  std::vector<std::pair<std::string, std::uint32_t>> cleared;
  const FSMutator mutator(FSMutator::FlagAccess{
      [&](int, const std::string& name) { return flags.count(name) ? flags[name] : 0u; },
      [&](int, const std::string& name, bool, std::uint32_t to) { cleared.emplace_back(name, to), flags[name] = to; }});
  struct Case {
    std::string item;         // created under the Trash; its last component carries the flags
    std::uint32_t flags;
    bool force;
    ItemOutcome::Kind kind;
    BlockerKind blocker;
  };
  const std::uint32_t hidden = 0x8000;
  const std::vector<Case> cases{
      {"user", 0x2 | hidden, false, ItemOutcome::Kind::blocked, BlockerKind::userLocked()},
      {"user", 0x4 | hidden, true, ItemOutcome::Kind::deleted, {}},
      {"system", 0x20000, true, ItemOutcome::Kind::blocked, BlockerKind::systemImmutable()},
      {"nounlink", 0x100000, false, ItemOutcome::Kind::blocked, BlockerKind::systemImmutable()},
      {"tree/inner", 0x2, false, ItemOutcome::Kind::blocked, BlockerKind::userLocked()},
      {"tree/inner", 0x2, true, ItemOutcome::Kind::deleted, {}},
      {"sys/inner", 0x40000, true, ItemOutcome::Kind::blocked, BlockerKind::systemImmutable()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item + (c.force ? " forced" : ""));
    SampleMac::writeFile(trash + "/" + c.item);
    const std::string top = trash + "/" + c.item.substr(0, c.item.find('/'));
    flags = {{fs::path(c.item).filename().string(), c.flags}};
    cleared.clear();
    ItemOutcome expected = ItemOutcome::deleted(top, 3);
    if (c.kind == ItemOutcome::Kind::blocked) expected = ItemOutcome::blocked(top, c.blocker);
    EXPECT_EQ(mutator.remove(top, 3, roots, {c.force, false}), expected);
    EXPECT_EQ(fs::exists(trash + "/" + c.item), c.kind == ItemOutcome::Kind::blocked);
    const std::vector<std::pair<std::string, std::uint32_t>> clearedExpected{
        {fs::path(c.item).filename().string(), c.flags & hidden}};
    EXPECT_EQ(cleared, c.kind == ItemOutcome::Kind::deleted ? clearedExpected : decltype(cleared){});
  }
}

TEST_F(FSMutatorTest, AFolderSwappedForALinkWhileRemovingLeavesTheOutsideAlone) {
  const auto outsideBefore = treeListing(outside);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    const std::string victim = trash + "/victim";
    for (int f = 0; f < 200; ++f) SampleMac::writeFile(victim + "/sub/f" + std::to_string(f));
    std::atomic<bool> stop{false};
    std::thread swapper([&] {
      std::error_code ec;
      while (!stop) {
        fs::rename(victim + "/sub", victim + "/aside", ec);
        fs::create_directory_symlink(outside, victim + "/sub", ec);
        std::this_thread::yield();
        fs::remove(victim + "/sub", ec);  // the link, or the emptied folder
        fs::rename(victim + "/aside", victim + "/sub", ec);
      }
    });
    const ItemOutcome outcome = remove(victim);
    stop = true;
    swapper.join();
    EXPECT_TRUE(outcome.kind == ItemOutcome::Kind::deleted || outcome.kind == ItemOutcome::Kind::failed ||
                outcome.kind == ItemOutcome::Kind::alreadyGone)
        << ::testing::PrintToString(outcome);
    ASSERT_EQ(treeListing(outside), outsideBefore);
    fs::remove_all(victim);
  }
}

// In the child: a tmpfs mounted inside the Trash, and one inside a folder there, are refused untouched.
TEST(FSMutatorMountTest, AVolumeMountedInsideTheTrashIsNotRemoved) {
  if (const char* env = std::getenv("CORVANE_MUTATOR_MOUNTED_TRASH")) {
    const std::string trash = env;
    const auto before = treeListing(trash);
    for (const std::string item : {"/mnt", "/holder"}) {
      SCOPED_TRACE(item);
      EXPECT_EQ(FSMutator::deleteItem(trash + item, 1, {trash}, {}),
                ItemOutcome::skippedUnsafe(trash + item, SkipReason::notInTrashAfterRealpath));
    }
    EXPECT_EQ(treeListing(trash), before);
    return;
  }
  TemporaryFolder tmp("mutator");
  const std::string trash = SampleMac::makeFolder(fs::canonical(tmp.path()).string() + "/.Trash");
  SampleMac::makeFolder(trash + "/mnt");
  SampleMac::makeFolder(trash + "/holder/mnt");
  CommandRunner shell;
  if (shell.runWithStatus("/usr/bin/unshare", {"-m", "true"}).status != 0)
    GTEST_SKIP() << "no private mount namespace here";
  auto outcome = shell.runWithStatus(
      "/usr/bin/unshare",
      {"-m", "--propagation", "private", "/bin/sh", "-c",
       "mount -t tmpfs a \"$1/mnt\" && mount -t tmpfs b \"$1/holder/mnt\" && echo x > \"$1/mnt/f\" && "
       "echo y > \"$1/holder/mnt/g\" && CORVANE_MUTATOR_MOUNTED_TRASH=\"$1\" exec \"$2\" "
       "--gtest_filter=FSMutatorMountTest.AVolumeMountedInsideTheTrashIsNotRemoved",
       "sh", trash, fs::read_symlink("/proc/self/exe").string()});
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("[  PASSED  ] 1 test."), std::string::npos) << outcome.output;
}

}  // namespace
}  // namespace corvane
