// Permanent removal inside a Trash folder: what is refused untouched, what is removed, locks, and a
// folder swapped for a link or a volume mounted while the removal runs.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "corvane/discovery/command_runner.h"
#include "corvane/removal/fs_mutator.h"
#include "sample_mac/sample_mac.h"
#include "support/tree_listing.h"

namespace corvane {

namespace {

namespace fs = std::filesystem;
using test_support::treeListing;
using testing::SampleMac;
using Kind = ItemOutcome::Kind;

class FSMutatorTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp{"mutator"};
  std::string top = fs::canonical(tmp.path()).string();
  std::string trash = SampleMac::makeFolder(top + "/home/.Trash");
  std::string outside = SampleMac::writeFile(top + "/outside/sub/keep.txt", "precious");

  ItemOutcome remove(const std::string& path, FSMutator::DeleteOptions options = {}, std::int64_t size = 7) {
    return FSMutator::deleteItem(path, size, {trash}, options);
  }
};

TEST_F(FSMutatorTest, RefusesWhatIsNotProvablyInsideTheTrashWithoutTouchingIt) {
  fs::create_directory_symlink(top + "/outside", trash + "/link");
  SampleMac::writeFile(trash + "/sub/x");
  const auto before = treeListing(top);
  const auto unsafe = [](const std::string& path, SkipReason why) { return ItemOutcome::skippedUnsafe(path, why); };
  for (const std::string& path : {trash + "/../../outside/sub", outside, trash + "/link/sub", trash})
    EXPECT_EQ(remove(path), unsafe(path, SkipReason::notInTrashAfterRealpath)) << path;
  for (const std::string& path : {trash + "/sub/..", trash + "/.", std::string("/"), std::string("home/.Trash/sub")})
    EXPECT_EQ(remove(path), unsafe(path, SkipReason::outsideTrash)) << path;
  for (const std::string& path : {trash + "/gone", trash + "/no/such/item"})
    EXPECT_EQ(remove(path), ItemOutcome::alreadyGone(path)) << path;
  EXPECT_EQ(FSMutator::deleteItem(trash + "/sub/x", 1, {"/"}, {}), unsafe(trash + "/sub/x", SkipReason::notInTrashAfterRealpath));
  EXPECT_EQ(treeListing(top), before);
}

TEST_F(FSMutatorTest, RemovesFilesFoldersLinksAndOddNamesOnlyAndStopsBelowTheNestingLimit) {
  const std::vector<std::string> names{"line\nbreak", "quote\"'s", "-rf", "bad\xff\xfe utf8", "big", "folder link"};
  for (int i = 0; i < 4; ++i) SampleMac::writeFile(trash + "/" + names[i], "data");
  for (int entry = 0; entry < 10000; ++entry)  // 100 folders of 99 files
    if (entry % 100) SampleMac::writeFile(trash + "/big/d" + std::to_string(entry / 100) + "/f" + std::to_string(entry));
  fs::create_directory_symlink(top + "/outside", trash + "/folder link");
  SampleMac::writeFile(trash + "/kept");

  auto before = treeListing(top);  // a dry run decides and leaves everything in place
  EXPECT_EQ(remove(trash + "/big", {false, true}, 4096), ItemOutcome::wouldDelete(trash + "/big", 4096));
  EXPECT_EQ(remove(trash + "/-rf", {true, true}, -5), ItemOutcome::wouldDelete(trash + "/-rf", 0));
  EXPECT_EQ(treeListing(top), before);
  for (const std::string& name : names) {
    EXPECT_EQ(remove(trash + "/" + name), ItemOutcome::deleted(trash + "/" + name, 7)) << name;
    before = test_support::withoutSubtree(before, "home/.Trash/" + name);
  }
  EXPECT_EQ(treeListing(top), before);
  EXPECT_EQ(SampleMac::entryNames(trash), (std::set<std::string>{"kept"}));

  std::string deep = trash + "/deep";
  for (int level = 0; level < 600; ++level) deep += "/d";
  fs::create_directories(deep);
  EXPECT_EQ(remove(trash + "/deep"), ItemOutcome::failed(trash + "/deep", 0, "directory nested too deep (512)"));
  EXPECT_TRUE(fs::exists(deep));
}

TEST_F(FSMutatorTest, LockedItemsNeedForceAndSystemLocksAlwaysBlock) {
  std::map<std::string, std::uint32_t> flags;  // by name; 0x8000 (hidden) must survive clearing
  std::vector<std::uint32_t> setTo;
  const FSMutator mutator(FSMutator::FlagAccess{[&](int, const std::string& name) { return flags[name]; },
                                                [&](int, const std::string& name, bool, std::uint32_t to) {
                                                  setTo.push_back(to), flags[name] = to;
                                                }});
  struct Case {
    std::string item;  // its last component carries the flags
    std::uint32_t flags;
    bool force;
    std::optional<BlockerKind> blocker;  // none: deleted
  };
  for (const Case& c : std::vector<Case>{{"user", 0x8002, false, BlockerKind::userLocked()},
                                         {"user", 0x8004, true, std::nullopt},
                                         {"system", 0x20000, true, BlockerKind::systemImmutable()},
                                         {"tree/inner", 0x2, false, BlockerKind::userLocked()},
                                         {"tree/inner", 0x8006, true, std::nullopt},
                                         {"sys/inner", 0x40000, true, BlockerKind::systemImmutable()}}) {
    SCOPED_TRACE(c.item + (c.force ? " forced" : ""));
    const std::string item = trash + "/" + c.item.substr(0, c.item.find('/'));
    const bool inside = c.item.find('/') != std::string::npos;
    if (inside)  // removed whatever becomes of the locked one
      for (const char* beside : {"a", "m", "z"}) SampleMac::writeFile(item + "/" + beside);
    SampleMac::writeFile(trash + "/" + c.item);
    flags = {{fs::path(c.item).filename().string(), c.flags}};
    setTo.clear();
    EXPECT_EQ(mutator.remove(item, 3, {trash}, {c.force, false}),
              c.blocker ? ItemOutcome::blocked(item, *c.blocker) : ItemOutcome::deleted(item, 3));
    EXPECT_EQ(fs::exists(trash + "/" + c.item), c.blocker.has_value());
    if (inside && c.blocker) EXPECT_EQ(SampleMac::entryNames(item), std::set<std::string>{"inner"});
    EXPECT_EQ(setTo, c.blocker ? std::vector<std::uint32_t>{} : std::vector<std::uint32_t>{c.flags & 0x8000});
  }
}

// The swap forced at the one moment it matters: the remover has seen a folder and is about to open it.
// Opened without O_NOFOLLOW, the link would lead it into the outside folder, which it would empty.
TEST_F(FSMutatorTest, AFolderSwappedForALinkJustBeforeItIsOpenedIsNotFollowed) {
  const auto outsideBefore = treeListing(top + "/outside");
  const std::string victim = trash + "/victim";
  SampleMac::writeFile(victim + "/sub/sub/f");
  SampleMac::writeFile(victim + "/z");
  std::vector<std::string> opened;
  const FSMutator mutator({}, [&](const std::string& folder) {
    opened.push_back(folder.substr(trash.size()));
    if (folder != victim + "/sub") return;
    fs::rename(folder, trash + "/aside");
    fs::create_directory_symlink(top + "/outside", folder);
  });
  EXPECT_EQ(mutator.remove(victim, 1, {trash}, {}), ItemOutcome::failed(victim, ELOOP, "openat dir"));
  EXPECT_EQ(treeListing(top + "/outside"), outsideBefore);
  EXPECT_EQ(opened, (std::vector<std::string>{"/victim", "/victim/sub"}));
  // The rest went on regardless: the file beside the link is gone, the link itself stays.
  EXPECT_EQ(SampleMac::entryNames(victim), std::set<std::string>{"sub"});
  EXPECT_EQ(SampleMac::entryNames(trash + "/aside/sub"), std::set<std::string>{"f"});
}

// The same race free-running, against a thread that keeps swapping.
TEST_F(FSMutatorTest, AFolderSwappedForALinkWhileRemovingLeavesTheOutsideAlone) {
  const auto outsideBefore = treeListing(top + "/outside");
  const std::string victim = trash + "/victim";
  for (int round = 0; round < 20; ++round) {
    for (int f = 0; f < 200; ++f) SampleMac::writeFile(victim + "/sub/f" + std::to_string(f));
    std::atomic<bool> stop{false};
    std::thread swapper([&, ec = std::error_code()]() mutable {
      while (!stop) {
        fs::rename(victim + "/sub", victim + "/aside", ec);
        fs::create_directory_symlink(top + "/outside", victim + "/sub", ec);
        std::this_thread::yield();
        fs::remove(victim + "/sub", ec);  // the link, or the folder once emptied
        fs::rename(victim + "/aside", victim + "/sub", ec);
      }
    });
    const ItemOutcome outcome = remove(victim);
    stop = true;
    swapper.join();
    EXPECT_NE(outcome.kind, Kind::skippedUnsafe) << outcome.note;
    ASSERT_EQ(treeListing(top + "/outside"), outsideBefore) << round;
    fs::remove_all(victim);
  }
}

// In a child with a private mount namespace: a volume mounted in the Trash, or in a folder there, is
// refused and nothing on it is removed.
TEST(FSMutatorMountTest, AVolumeMountedInsideTheTrashIsNotRemoved) {
  if (const char* env = std::getenv("CORVANE_MUTATOR_MOUNTED_TRASH")) {
    const std::string trash = env;
    const auto before = treeListing(trash);
    for (const std::string& item : {trash + "/mnt", trash + "/holder"})
      EXPECT_EQ(FSMutator::deleteItem(item, 1, {trash}, {}),
                ItemOutcome::skippedUnsafe(item, SkipReason::notInTrashAfterRealpath));
    EXPECT_EQ(treeListing(trash), before);
    return;
  }
  testing::TemporaryFolder tmp("mutator");
  const std::string trash = SampleMac::makeFolder(fs::canonical(tmp.path()).string() + "/.Trash");
  SampleMac::makeFolder(trash + "/mnt");
  SampleMac::makeFolder(trash + "/holder/mnt");
  CommandRunner shell;
  if (shell.runWithStatus("/usr/bin/unshare", {"-m", "true"}).status != 0) GTEST_SKIP() << "no mount namespace";
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
