// Every step that moves or deletes an item, raced against a thread that keeps exchanging a folder on the
// item's path with a link to a sentinel tree elsewhere: the sentinel never changes, and every item
// created ends up either where it was or where the step reports it went, exactly once.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
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
#include "support/tree_fingerprint.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kSlots = 24;
constexpr auto kRaceTime = 1200ms;

std::string slot(int i) { return "slot-" + std::to_string(i); }

// Even slots are files, odd ones folders holding a file and a link, made inside the open folder `dirFd`.
void makeSlot(int dirFd, int i, const std::string& content) {
  const std::string name = slot(i);
  if (i % 2 == 0) {
    const int fd = ::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0640);
    if (fd < 0) return;  // still there from an earlier round
    EXPECT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ::close(fd);
    return;
  }
  if (::mkdirat(dirFd, name.c_str(), 0750) != 0) return;
  const int sub = ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const int fd = ::openat(sub, "inner", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  EXPECT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
  ::close(fd);
  EXPECT_EQ(::symlinkat("../slot-0", sub, "back"), 0);
  ::close(sub);
}

// Keeps exchanging `folder` with a link to `target` until destroyed; `folder` is the folder again after.
class Swapper {
 public:
  Swapper(std::string folder, const std::string& target) : folder_(std::move(folder)), link_(folder_ + ".swap") {
    fs::create_directory_symlink(target, link_);
    thread_ = std::thread([this] {
      while (!stop_) {
        if (::renameat2(AT_FDCWD, folder_.c_str(), AT_FDCWD, link_.c_str(), RENAME_EXCHANGE) == 0) ++swaps_;
        std::this_thread::yield();
      }
    });
  }
  ~Swapper() { stop(); }
  long stop() {
    if (thread_.joinable()) {
      stop_ = true;
      thread_.join();
      if (fs::is_symlink(folder_)) ::renameat2(AT_FDCWD, folder_.c_str(), AT_FDCWD, link_.c_str(), RENAME_EXCHANGE);
      fs::remove(link_);
    }
    return swaps_;
  }

 private:
  std::string folder_, link_;
  std::atomic<bool> stop_{false};
  std::atomic<long> swaps_{0};
  std::thread thread_;
};

// One destructive step on the item at a path: the outcome's name, and whether the item left its place.
struct StepResult {
  std::string outcome;
  bool left = false;
};

struct Race {
  const char* name;
  const char* box;      // the items' folder, relative to the temporary folder; it or its parent is swapped
  const char* landing;  // where items go (empty when they are destroyed)
  std::function<StepResult(const std::string& item, int slot)> step;
};

class DestructiveRaceTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp{"races"};
  std::string top = *platform::realPath(tmp.path());
  std::string sentinel = top + "/sentinel";
  Layout layout = Layout::at(top + "/mac", top + "/mac/Users/me");
  std::string trash = layout.userTrash();
  std::string documents = layout.underHome("Documents");

  void SetUp() override {
    for (const auto& folder : {sentinel + "/deeper", sentinel + "/box", trash + "/outer/box", documents,
                               layout.underHome("Library/Caches/outer/box")})
      fs::create_directories(folder);
    // The sentinel has the items' names where either swapped folder would lead.
    for (const auto& folder : {sentinel, sentinel + "/box"}) {
      const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      for (int i = 0; i < kSlots; ++i) makeSlot(fd, i, "sentinel " + std::to_string(i));
      ::close(fd);
    }
    fs::create_directory_symlink("../slot-1", sentinel + "/deeper/up");
    ::chmod((sentinel + "/slot-2").c_str(), 0444);
  }

  static std::string restoreKind(const RestoreOutcome& o) {
    static const char* names[] = {"restored", "rejected", "copyFailed", "sourceRemoveFailed", "failed", "sourceGone", "destTaken"};
    return names[static_cast<int>(o.kind)] + (o.note.empty() ? "" : " (" + o.note + ")");
  }

  std::vector<Race> races() {
    const std::vector<std::string> roots{trash};
    auto restoreStep = [this, roots](bool copy) {
      return [this, roots, copy](const std::string& item, int i) {
        const auto o = RestoreExecutor().restore(item, {slot(i), documents, slot(i)}, roots, copy);
        return StepResult{restoreKind(o), o.kind == RestoreOutcome::Kind::restored};
      };
    };
    static const char* itemKinds[] = {"deleted", "wouldDelete", "alreadyGone", "blocked", "skippedUnsafe", "failed"};
    return {
        {"trash move", "mac/Users/me/Library/Caches/outer/box", "mac/Users/me/.Trash",
         [this](const std::string& item, int) {
           auto moved = FileManagerTrashMover(layout).moveToTrash(Url::fileURL(item));
           return moved.has_value() ? StepResult{"moved", true}
                                    : StepResult{"refused errno " + std::to_string(moved.error().code), false};
         }},
        {"permanent delete", "mac/Users/me/.Trash/outer/box", "",
         [roots](const std::string& item, int) {
           const auto o = FSMutator::deleteItem(item, std::nullopt, roots, {});
           return StepResult{itemKinds[static_cast<int>(o.kind)] + (o.note.empty() ? "" : " (" + o.note + ")"),
                             o.kind == ItemOutcome::Kind::deleted};
         }},
        {"restore by rename", "mac/Users/me/.Trash/outer/box", "mac/Users/me/Documents", restoreStep(false)},
        {"restore by copy", "mac/Users/me/.Trash/outer/box", "mac/Users/me/Documents", restoreStep(true)},
    };
  }
};

// Counts and empties the landing folder, leaving the other races' folders in the Trash.
long drain(const std::string& folder) {
  long count = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with("outer")) continue;
    fs::remove_all(entry.path());
    ++count;
  }
  return count;
}

TEST_F(DestructiveRaceTest, ASwappedFolderNeverLetsAStepReachTheSentinel) {
  const auto before = test_support::treeFingerprint(sentinel);
  ASSERT_EQ(before.size(), static_cast<std::size_t>(4 * kSlots + 3));
  for (const Race& race : races())
  for (const bool swapParent : {true, false}) {
    SCOPED_TRACE(std::string(race.name) + (swapParent ? ", folder swapped" : ", its parent swapped"));
    const std::string box = top + "/" + race.box;
    const int boxFd = ::open(box.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);  // follows the folder through swaps
    const std::string landing = race.landing[0] ? top + "/" + race.landing : "";
    std::map<std::string, long> outcomes;
    long left = 0, landed = 0, created = 0;  // with what an earlier race left in the box
    for (int i = 0; i < kSlots; ++i) created += ::faccessat(boxFd, slot(i).c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0;
    Swapper swapper(swapParent ? box : fs::path(box).parent_path().string(), sentinel);
    for (const auto end = std::chrono::steady_clock::now() + kRaceTime; std::chrono::steady_clock::now() < end;) {
      for (int i = 0; i < kSlots; ++i) {
        if (::faccessat(boxFd, slot(i).c_str(), F_OK, AT_SYMLINK_NOFOLLOW) != 0) {
          makeSlot(boxFd, i, "item " + std::to_string(created));
          ++created;
        }
        const StepResult result = race.step(box + "/" + slot(i), i);
        ++outcomes[result.outcome];
        left += result.left;
      }
      if (!landing.empty()) landed += drain(landing);
    }
    const long swaps = swapper.stop();
    long stayed = 0;
    for (int i = 0; i < kSlots; ++i) stayed += ::faccessat(boxFd, slot(i).c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0;
    ::close(boxFd);

    std::cout << race.name << (swapParent ? ", folder swapped: " : ", its parent swapped: ") << created << " items, " << swaps << " swaps;";
    for (const auto& [outcome, n] : outcomes) std::cout << " " << outcome << " " << n << ";";
    std::cout << "\n";
    EXPECT_EQ(test_support::treeFingerprint(sentinel), before);
    EXPECT_EQ(left + stayed, created);
    if (!landing.empty()) EXPECT_EQ(landed, left);
    EXPECT_GT(swaps, 100);
    EXPECT_GT(left, 0);
    EXPECT_GE(outcomes.size(), 2u);
  }
}

}  // namespace
}  // namespace corvane
