// Writers killed at random points: a real process (forked) writes the history, the weekly check's state or
// restores an item by copy, and is killed with SIGKILL part-way. What is on disk afterwards must be the old
// or the new version, never a mix, and what the killed writer left behind is removed by the next writer.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>

#include "corvane/discovery/command_runner.h"
#include "corvane/history/history_store.h"
#include "corvane/history/restore.h"
#include "corvane/orphans/leftover_check.h"
#include "history/sample_records.h"
#include "platform/directory.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;

constexpr int kKills = 1000;

// Starts `work` in a child process, waits until it has begun, lets it run for a random part of `span`,
// then kills it and reaps it.
void killPartWay(const std::function<void()>& work, std::chrono::microseconds span, std::mt19937& random) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(ready[0]);
    (void)!::write(ready[1], "r", 1);
    work();
    ::_exit(0);
  }
  ::close(ready[1]);
  char byte = 0;
  (void)!::read(ready[0], &byte, 1);
  ::close(ready[0]);
  ::usleep(std::uniform_int_distribution<unsigned>(0, static_cast<unsigned>(span.count()))(random));
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

template <class F>
std::chrono::microseconds timeOf(F f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
}

int countWithPrefix(const std::string& folder, const std::string& prefix) {
  int n = 0;
  for (const auto& name : SampleMac::entryNames(folder)) n += name.rfind(prefix, 0) == 0;
  return n;
}

// Path below `root` -> contents ("" for a folder).
std::map<std::string, std::string> contentsOf(const std::string& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root))
    out[fs::relative(e.path(), root).string()] = e.is_directory() ? "" : SampleMac::readFile(e.path().string());
  return out;
}

// A kill tests what other processes see, not what survives a power cut: a memory file system (where there
// is one) keeps the flushes cheap.
std::string memoryBackedFolder() {
  std::error_code ec;
  return fs::is_directory("/dev/shm", ec) ? "/dev/shm" : fs::temp_directory_path().string();
}

class CrashSafetyTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp{"crash", memoryBackedFolder()};
  std::string folder = tmp.path() + "/Corvane";
  std::mt19937 random{20261205};
  int tornFiles = 0, temporariesLeft = 0;

  // Kills `writer` part-way kKills times; after each kill `file` must hold one of `versions`.
  void killWriter(const std::function<void()>& writer, std::chrono::microseconds span, const std::string& file,
                  const std::vector<std::string>& versions, const std::string& temporaryPrefix) {
    for (int kill = 0; kill < kKills; ++kill) {
      killPartWay(writer, span, random);
      tornFiles += std::count(versions.begin(), versions.end(), SampleMac::readFile(file)) == 0;
      temporariesLeft += countWithPrefix(folder, temporaryPrefix) > 0;
    }
    EXPECT_EQ(tornFiles, 0);
    std::printf("%s: %d kills, %d left a temporary, %d torn\n", file.c_str(), kKills, temporariesLeft, tornFiles);
  }
};

TEST_F(CrashSafetyTest, AKilledHistoryWriterLeavesTheOldOrTheNewFileAndItsTemporaryIsRemovedNextTime) {
  const std::string path = folder + "/history.json";
  HistoryStore store(HistoryFileManager::system(), Url::fileURL(path));
  for (unsigned i = 1; i <= 4; ++i) ASSERT_TRUE(store.append(testing::sampleRecord(i, "App", "2026-01-01T00:00:00Z")).has_value());
  const UninstallRecord extra = testing::sampleRecord(999, "Extra", "2026-06-01T00:00:00Z");
  std::vector<std::string> versions{SampleMac::readFile(path)};
  const auto span = timeOf([&] { ASSERT_TRUE(store.append(extra).has_value()); }) * 4;
  versions.push_back(SampleMac::readFile(path));
  ASSERT_TRUE(store.remove(extra.id).has_value());
  // The writer adds the extra record when the file lacks it and removes it again, over and over.
  killWriter([&] {
    HistoryStore fresh(HistoryFileManager::system(), Url::fileURL(path));
    for (;;) (void)(fresh.records().front().id == extra.id ? fresh.remove(extra.id) : fresh.append(extra));
  }, span, path, versions, ".history.json.tmp-");
  // Few kills land inside the write itself (encoding takes most of the time): whatever was left must go.
  HistoryStore next(HistoryFileManager::system(), Url::fileURL(path));
  EXPECT_FALSE(next.fileIsUnreadable());
  EXPECT_TRUE(next.append(extra).has_value());
  EXPECT_EQ(countWithPrefix(folder, ".history.json.tmp-"), 0);
}

TEST_F(CrashSafetyTest, AKilledStateWriterLeavesTheOldOrTheNewFileAndItsTemporaryIsRemovedNextTime) {
  const LeftoverCheckStore store(folder + "/leftover-check.json");
  LeftoverCheckState states[2];
  for (int s = 0; s < 2; ++s) {
    states[s].lastCheckedAt = PreciseDate(std::chrono::duration<double>(789012345.5 + s));
    states[s].reportedKeys.emplace();
    for (int k = 0; k < 200; ++k) states[s].reportedKeys->push_back("/Users/u/Library/Caches/com.s" + std::to_string(s * k));
  }
  auto cycle = [&] {
    auto lock = store.acquireLock();
    for (const auto& state : states) (void)store.save(state);
  };
  killWriter([&] { for (;;) cycle(); }, timeOf(cycle) * 2, store.fileURL(),
             {states[0].encoded(), states[1].encoded()}, ".leftover-check.json.tmp-");
  EXPECT_GT(temporariesLeft, 0) << "no kill landed inside a write";
  EXPECT_TRUE(store.acquireLock().has_value());
  EXPECT_EQ(countWithPrefix(folder, ".leftover-check.json.tmp-"), 0);
}

TEST_F(CrashSafetyTest, AKilledRestoreByCopyLeavesTheItemInTheTrashOrWholeInPlaceAndItsCopyIsRemovedNextTime) {
  const std::string root = *platform::realPath(tmp.path()), trash = root + "/.Trash", docs = root + "/Documents";
  const std::vector<std::string> roots{trash};
  auto putInTrash = [&](const std::string& name) {
    SampleMac::writeFile(trash + "/" + name + "/a.txt", std::string(64 * 1024, 'a'));
    SampleMac::writeFile(trash + "/" + name + "/sub/b.bin", std::string(16 * 1024, 'b'));
  };
  auto restore = [&](const std::string& name) {
    RestoreExecutor::Collaborators recorded;
    recorded.ownFolder = root + "/Corvane";
    (void)RestoreExecutor(recorded).restore(trash + "/" + name, {name, docs, name}, roots, /*forceCopy=*/true);
  };
  putInTrash("model");
  const auto original = contentsOf(trash + "/model");
  fs::create_directories(docs);
  const auto span = timeOf([&] { restore("model"); }) * 2;
  int lost = 0, restored = 0;

  for (int kill = 0; kill < kKills; ++kill) {
    const std::string name = "item" + std::to_string(kill);
    putInTrash(name);
    killPartWay([&] { restore(name); }, span, random);
    const bool inTrash = fs::exists(trash + "/" + name), inPlace = fs::exists(docs + "/" + name);
    lost += !inTrash && !inPlace;
    restored += inPlace;
    if (inPlace) tornFiles += contentsOf(docs + "/" + name) != original;
    if (inTrash && !inPlace) tornFiles += contentsOf(trash + "/" + name) != original;
    temporariesLeft += countWithPrefix(docs, ".cvrestore.") > 0;
    fs::remove_all(trash + "/" + name), fs::remove_all(docs + "/" + name);
  }
  EXPECT_EQ(lost + tornFiles, 0);
  EXPECT_GT(temporariesLeft, 0) << "no kill landed inside a copy";
  putInTrash("last");
  restore("last");
  EXPECT_EQ(contentsOf(docs + "/last"), original);
  EXPECT_EQ(countWithPrefix(docs, ".cvrestore."), 0);
  std::printf("restore: %d kills, %d restored, %d left a copy, %d lost, %d torn\n", kKills, restored, temporariesLeft,
              lost, tornFiles);
}

// In a private mount namespace, on a 1 MiB tmpfs filled to the last byte: both writes fail with the
// system's reason, and the files they would have replaced are untouched.
TEST(FullDiskTest, HistoryAndStateWritesFailCleanlyAndKeepTheOldFiles) {
  if (const char* mounted = std::getenv("CORVANE_FULL_DISK_FOLDER")) {
    const std::string folder = mounted, historyPath = folder + "/history.json";
    HistoryStore history(HistoryFileManager::system(), Url::fileURL(historyPath));
    const LeftoverCheckStore state(folder + "/leftover-check.json");
    ASSERT_TRUE(history.append(testing::sampleRecord(1, "A", "2026-01-01T00:00:00Z")).has_value());
    ASSERT_TRUE(state.save({1, std::nullopt, std::vector<std::string>{"/a"}}).has_value());
    {
      std::ofstream filler(folder + "/filler", std::ios::binary);
      const std::string chunk(4096, 'f');
      while (filler.write(chunk.data(), chunk.size()) && filler.flush()) {}
    }
    const std::pair<std::string, std::function<Status()>> writes[] = {
        {historyPath, [&] { return history.append(testing::sampleRecord(2, "B", "2026-02-01T00:00:00Z")); }},
        {state.fileURL(), [&] { return state.save({1, std::nullopt, std::vector<std::string>(500, "/Users/u/x")}); }}};
    for (const auto& [file, write] : writes) {
      SCOPED_TRACE(file);
      const std::string old = SampleMac::readFile(file);
      auto written = write();
      ASSERT_FALSE(written.has_value());
      EXPECT_EQ(written.error().describe(), "write " + file + ": No space left on device");
      EXPECT_EQ(SampleMac::readFile(file), old);
    }
    EXPECT_EQ(countWithPrefix(folder, ".history.json.tmp-") + countWithPrefix(folder, ".leftover-check.json.tmp-"), 0);
    return;
  }
  testing::TemporaryFolder tmp("full-disk");
  CommandRunner shell;
  if (shell.runWithStatus("/usr/bin/unshare", {"-m", "true"}).status != 0) GTEST_SKIP() << "no private mount namespace";
  auto outcome = shell.runWithStatus(
      "/usr/bin/unshare",
      {"-m", "--propagation", "private", "/bin/sh", "-c",
       "mount -t tmpfs -o size=1m full \"$1\" && CORVANE_FULL_DISK_FOLDER=\"$1\" exec \"$2\" "
       "--gtest_filter=FullDiskTest.HistoryAndStateWritesFailCleanlyAndKeepTheOldFiles",
       "sh", tmp.path(), fs::read_symlink("/proc/self/exe").string()});
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("[  PASSED  ] 1 test."), std::string::npos) << outcome.output;
}

}  // namespace
}  // namespace corvane
