// Every step that moves or deletes an item, raced against a thread that keeps exchanging the item's folder
// (or its parent) with a link to a sentinel tree: the sentinel never changes, and every item made ends up
// either where it was or where its step said it went, exactly once.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <thread>

#include "corvane/history/restore.h"
#include "corvane/removal/fs_mutator.h"
#include "corvane/removal/trash_moving.h"
#include "platform/directory.h"
#include "sample_mac/sample_mac.h"
#include "sample_mac/tree_fingerprint.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
constexpr int kSlots = 24;
constexpr auto kRaceTime = std::chrono::milliseconds(1200);

std::string slot(int i) { return "slot-" + std::to_string(i); }
bool exists(int dirFd, int i) { return ::faccessat(dirFd, slot(i).c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0; }

// Even slots are files; odd ones folders holding a file and a link.
void makeSlot(int dirFd, int i, const std::string& content) {
  auto write = [&](int at, const char* name, int mode) {
    const int fd = ::openat(at, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    EXPECT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ::close(fd);
  };
  if (i % 2 == 0) return write(dirFd, slot(i).c_str(), i == 2 ? 0444 : 0640);
  ASSERT_EQ(::mkdirat(dirFd, slot(i).c_str(), 0750), 0);
  const int sub = ::openat(dirFd, slot(i).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  write(sub, "inner", 0600);
  EXPECT_EQ(::symlinkat("../slot-0", sub, "back"), 0);
  ::close(sub);
}

// Exchanges `folder` with a link to `target` as fast as it can until stopped; `folder` is the folder after.
class Swapper {
 public:
  Swapper(std::string folder, const std::string& target) : folder_(std::move(folder)), link_(folder_ + ".swap") {
    fs::create_directory_symlink(target, link_);
    thread_ = std::thread([this] {
      while (!stop_)
        if (::renameat2(AT_FDCWD, folder_.c_str(), AT_FDCWD, link_.c_str(), RENAME_EXCHANGE) == 0) ++swaps_;
    });
  }
  long stop() {
    stop_ = true;
    thread_.join();
    if (fs::is_symlink(folder_)) ::renameat2(AT_FDCWD, folder_.c_str(), AT_FDCWD, link_.c_str(), RENAME_EXCHANGE);
    fs::remove(link_);
    return swaps_;
  }

 private:
  std::string folder_, link_;
  std::atomic<bool> stop_{false};
  long swaps_ = 0;
  std::thread thread_;
};

// A step's outcome by name, and whether the item left its place.
struct StepResult {
  std::string outcome;
  bool left = false;
};
struct Race {
  const char* name;
  std::string box;      // the items' folder
  std::string landing;  // where they go, emptied and counted after every round (none when destroyed)
  std::function<StepResult(const std::string& item, int slot)> step;
};

// Counts and empties `folder`, leaving the races' folders in it.
long drain(const std::string& folder) {
  long count = 0;
  for (const auto& entry : fs::directory_iterator(folder))
    if (!entry.path().filename().string().starts_with("outer")) count += fs::remove_all(entry.path()) > 0;
  return count;
}

TEST(DestructiveRaceTest, ASwappedFolderNeverLetsAStepReachTheSentinel) {
  testing::TemporaryFolder tmp{"races"};
  const std::string top = *platform::realPath(tmp.path()), sentinel = top + "/sentinel";
  const Layout layout = Layout::at(top + "/mac", top + "/mac/Users/me");
  const std::string trash = layout.userTrash(), documents = layout.underHome("Documents");
  const std::string trashBox = trash + "/outer/box", cacheBox = layout.underHome("Library/Caches/outer/box");
  for (const auto& folder : {sentinel + "/box", trashBox, cacheBox, documents}) fs::create_directories(folder);
  // The sentinel has the items' names wherever either swapped folder leads.
  for (const auto& folder : {sentinel, sentinel + "/box"}) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < kSlots; ++i) makeSlot(fd, i, "sentinel " + std::to_string(i));
    ::close(fd);
  }
  const auto before = test_support::treeFingerprint(sentinel);
  ASSERT_EQ(before.size(), static_cast<std::size_t>(4 * kSlots + 1));

  const std::vector<std::string> roots{trash};
  auto restore = [&](bool copy) {
    return [&, copy](const std::string& item, int i) {
      static const char* kinds[] = {"restored", "rejected", "copyFailed", "sourceRemoveFailed", "failed", "sourceGone", "destTaken"};
      const auto o = RestoreExecutor().restore(item, {slot(i), documents, slot(i)}, roots, copy);
      return StepResult{kinds[static_cast<int>(o.kind)] + (o.note.empty() ? "" : " (" + o.note + ")"),
                        o.kind == RestoreOutcome::Kind::restored};
    };
  };
  const Race races[] = {
      {"trash move", cacheBox, trash,
       [&](const std::string& item, int) {
         auto moved = FileManagerTrashMover(layout).moveToTrash(Url::fileURL(item));
         return moved.has_value() ? StepResult{"moved", true} : StepResult{"errno " + std::to_string(moved.error().code)};
       }},
      {"permanent delete", trashBox, "",
       [&](const std::string& item, int) {
         static const char* kinds[] = {"deleted", "wouldDelete", "alreadyGone", "blocked", "skippedUnsafe", "failed"};
         const auto o = FSMutator::deleteItem(item, std::nullopt, roots, {});
         return StepResult{kinds[static_cast<int>(o.kind)] + (o.note.empty() ? "" : " (" + o.note + ")"),
                           o.kind == ItemOutcome::Kind::deleted};
       }},
      {"restore by rename", trashBox, documents, restore(false)},
      {"restore by copy", trashBox, documents, restore(true)},
  };
  for (const Race& race : races)
    for (const bool swapFolder : {true, false}) {
      const std::string label = std::string(race.name) + (swapFolder ? ", folder swapped" : ", parent swapped");
      SCOPED_TRACE(label);
      const int boxFd = ::open(race.box.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);  // the folder, through swaps
      std::map<std::string, long> outcomes;
      long made = 0, left = 0, landed = 0;
      for (int i = 0; i < kSlots; ++i) made += exists(boxFd, i);  // what an earlier race left
      Swapper swapper(swapFolder ? race.box : fs::path(race.box).parent_path().string(), sentinel);
      for (const auto end = std::chrono::steady_clock::now() + kRaceTime; std::chrono::steady_clock::now() < end;) {
        for (int i = 0; i < kSlots; ++i) {
          if (!exists(boxFd, i)) makeSlot(boxFd, i, "item " + std::to_string(made++));
          const StepResult result = race.step(race.box + "/" + slot(i), i);
          ++outcomes[result.outcome];
          left += result.left;
        }
        if (!race.landing.empty()) landed += drain(race.landing);
      }
      const long swaps = swapper.stop();
      long stayed = 0;
      for (int i = 0; i < kSlots; ++i) stayed += exists(boxFd, i);
      ::close(boxFd);

      std::cout << label << ": " << made << " items, " << swaps << " swaps;";
      for (const auto& [outcome, n] : outcomes) std::cout << " " << outcome << " " << n << ";";
      std::cout << "\n";
      EXPECT_EQ(test_support::treeFingerprint(sentinel), before);
      EXPECT_EQ(left + stayed, made);
      if (!race.landing.empty()) {
        EXPECT_EQ(landed, left);
      }
      EXPECT_GT(swaps, 100);
      EXPECT_GT(left, 0);
      EXPECT_GE(outcomes.size(), 2u);  // the race was run: some items were refused
    }
}

}  // namespace
}  // namespace corvane
