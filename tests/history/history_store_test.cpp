#include "corvane/history/history_store.h"
#include "model/json_value.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include "history/sample_records.h"
#include "corvane/model/json_forms.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::isoDate;
using testing::SampleMac;
using testing::sampleID;
using testing::sampleRecord;
using testing::sampleSnapshot;
using Names = std::set<std::string>;
using Ids = std::vector<Uuid>;

Ids idsOf(const std::vector<UninstallRecord>& records) {
  Ids ids;
  for (const auto& r : records) ids.push_back(r.id);
  return ids;
}

std::string historyText(const std::vector<UninstallRecord>& records) {
  json::Json array = json::Json::array();
  for (const auto& r : records) array.push_back(json::encode(r));
  return json::prettySorted(array);
}

// The real file system, counting writes and failing writes or moves on demand (with an errno; 0 lets them through).
struct CountingFiles {
  HistoryFileManager real = HistoryFileManager::system();
  int writes = 0;
  std::vector<std::string> moveTargets;
  int failWritesWith = 0;
  int failMovesWith = 0;

  HistoryFileManager manager() {
    HistoryFileManager m = real;
    m.writeAtomically = [this](const std::string& path, const std::string& bytes) -> Status {
      ++writes;
      if (failWritesWith) return Error::fromErrno(failWritesWith, "write", path);
      return real.writeAtomically(path, bytes);
    };
    m.moveExclusive = [this](const std::string& from, const std::string& to) -> Status {
      moveTargets.push_back(to);
      if (failMovesWith) return Error::fromErrno(failMovesWith, "rename", from);
      return real.moveExclusive(from, to);
    };
    m.now = [] { return isoDate("2026-12-04T18:41:39Z"); };
    return m;
  }
};

// Every notification an observer received, in order: "will" or "did" with the ids of the new list.
struct Recorder {
  std::vector<std::string> events;
  std::vector<Ids> lists;

  HistoryStore::ObserverID attach(HistoryStore& store) {
    return store.addObserver([this] { events.push_back("will"); },
                             [this](const std::vector<UninstallRecord>& records) {
                               events.push_back("did");
                               lists.push_back(idsOf(records));
                             });
  }
};

class HistoryStoreTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp;
  CountingFiles files;
  Layout layout = Layout::at(tmp.path() + "/root", tmp.path() + "/home");
  std::string historyPath = tmp.path() + "/home/Library/Application Support/Corvane/history.json";
  std::string aside = historyPath + ".unreadable-20261204T184139Z";
  UninstallRecord a = sampleRecord(1, "A", "2026-03-01T00:00:00Z");
  UninstallRecord b = sampleRecord(2, "B", "2026-02-01T00:00:00Z");
  UninstallRecord c = sampleRecord(3, "C", "2026-04-01T00:00:00Z");
  AnalysisSnapshot followUp = sampleSnapshot("B", "2026-04-01T12:00:00Z", 0x500);

  void writeHistory(const std::string& text) { SampleMac::writeFile(historyPath, text); }
  std::string folder() const { return fs::path(historyPath).parent_path().string(); }
  Names namesInFolder() const { return SampleMac::entryNames(folder()); }
};

TEST_F(HistoryStoreTest, AnUndecodableFileLoadsEmptyAndIsKeptAsideByteForByteBeforeTheNextWrite) {
  nlohmann::json array = nlohmann::json::parse(historyText({a, b}));
  array[1].erase("preRemovalSnapshot");  // one malformed record is enough
  const std::string original = array.dump(3) + "\n  ";
  writeHistory(original);

  HistoryStore store(files.manager(), layout);
  EXPECT_TRUE(store.records().empty());
  EXPECT_TRUE(store.fileIsUnreadable());
  EXPECT_TRUE(store.clear().has_value());  // nothing to clear: the file stays where it is
  EXPECT_TRUE(store.remove(a.id).has_value());
  EXPECT_EQ(SampleMac::readFile(historyPath), original);
  EXPECT_TRUE(files.moveTargets.empty());

  EXPECT_TRUE(store.append(c).has_value());
  EXPECT_EQ(store.keptAsideURL(), Url::fileURL(aside));
  EXPECT_FALSE(store.fileIsUnreadable());
  EXPECT_EQ(SampleMac::readFile(aside), original);
  EXPECT_EQ(SampleMac::readFile(historyPath), historyText({c}));
  // Only once: the next write just replaces the new file.
  EXPECT_TRUE(store.append(b).has_value());
  EXPECT_EQ(files.moveTargets.size(), 1u);
  EXPECT_EQ(namesInFolder(), (Names{".history.json.lock", "history.json", "history.json.unreadable-20261204T184139Z"}));
}

TEST_F(HistoryStoreTest, AFolderAtTheHistoryPathIsMovedAsideWholeWithoutReplacingEarlierKeptFiles) {
  SampleMac::writeFile(historyPath + "/inside.txt", "mine");
  SampleMac::writeFile(aside, "earlier");
  for (int n = 2; n < kMaxKeptAsideNames; ++n) SampleMac::writeFile(aside + "-" + std::to_string(n), "earlier 2");
  HistoryStore store(files.manager(), layout);
  EXPECT_TRUE(store.fileIsUnreadable());
  EXPECT_TRUE(store.append(a).has_value());
  EXPECT_EQ(SampleMac::readFile(aside), "earlier");
  EXPECT_EQ(SampleMac::readFile(aside + "-2"), "earlier 2");
  EXPECT_EQ(SampleMac::readFile(aside + "-99/inside.txt"), "mine");  // the last name there is
  EXPECT_EQ(store.keptAsideURL(), Url::fileURL(aside + "-99"));
  EXPECT_EQ(SampleMac::readFile(historyPath), historyText({a}));
}

TEST_F(HistoryStoreTest, WhenTheUnreadableFileCannotBeMovedAsideNothingIsWritten) {
  writeHistory("[{\"id\": 1}]");
  HistoryStore store(files.manager(), layout);
  files.failMovesWith = EACCES;
  EXPECT_FALSE(store.append(a).has_value());
  EXPECT_EQ(files.writes, 0);
  EXPECT_EQ(SampleMac::readFile(historyPath), "[{\"id\": 1}]");
  EXPECT_EQ(store.records(), std::vector<UninstallRecord>{a});  // kept in memory, like any failed append
  EXPECT_TRUE(store.fileIsUnreadable());

  // A failed setFollowUp reloads, which finds the same unreadable file and leaves the list alone.
  EXPECT_FALSE(store.setFollowUp(a.id, followUp));
  EXPECT_EQ(files.writes, 0);
  EXPECT_EQ(SampleMac::readFile(historyPath), "[{\"id\": 1}]");

  files.failMovesWith = 0;
  EXPECT_TRUE(store.append(b).has_value());
  EXPECT_EQ(SampleMac::readFile(aside), "[{\"id\": 1}]");
  EXPECT_EQ(files.writes, 1);
}

TEST_F(HistoryStoreTest, FailedWritesRollBackToTheFileButKeepAnAppendOrWhatCannotBeReadBack) {
  writeHistory(historyText({a, b}));
  const std::string stored = SampleMac::readFile(historyPath);
  HistoryStore store(files.manager(), layout);
  Recorder recorder;
  recorder.attach(store);
  files.failWritesWith = ENOSPC;

  EXPECT_FALSE(store.remove(a.id).has_value());
  EXPECT_EQ(idsOf(store.records()), (Ids{a.id, b.id}));
  // The change, then the reload that undid it.
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"will", "did", "will", "did"}));
  EXPECT_EQ(recorder.lists, (std::vector<Ids>{{b.id}, {a.id, b.id}}));
  EXPECT_FALSE(store.clear().has_value());
  EXPECT_EQ(idsOf(store.records()), (Ids{a.id, b.id}));
  EXPECT_FALSE(store.setFollowUp(b.id, followUp));
  EXPECT_FALSE(store.records()[1].followUpSnapshot.has_value());
  EXPECT_FALSE(store.append(c).has_value());
  EXPECT_EQ(idsOf(store.records()), (Ids{c.id, a.id, b.id}));
  EXPECT_EQ(SampleMac::readFile(historyPath), stored);
  EXPECT_EQ(files.writes, 4);

  // Without a file to reload, a failed change stays in memory.
  fs::remove(historyPath);
  EXPECT_FALSE(store.remove(a.id).has_value());
  EXPECT_EQ(idsOf(store.records()), (Ids{c.id, b.id}));
  EXPECT_FALSE(fs::exists(historyPath));
  // The history's folder replaced by a file: creating it fails before any write, and there is nothing to reload.
  fs::remove_all(folder());
  SampleMac::writeFile(folder(), "in the way");
  EXPECT_FALSE(store.setFollowUp(b.id, followUp));
  EXPECT_EQ(files.writes, 5);
  EXPECT_EQ(store.records()[1].followUpSnapshot, followUp);
  EXPECT_EQ(SampleMac::readFile(folder()), "in the way");
}

TEST_F(HistoryStoreTest, WritersInTwoProcessesAtOnceLoseNoRecord) {
  constexpr unsigned kPerWriter = 20;
  // Each child opens its own store before the other has written anything, then appends its records one
  // by one while the other does the same.
  std::vector<pid_t> children;
  for (unsigned writer = 0; writer < 2; ++writer) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      HistoryStore store(HistoryFileManager::system(), layout);
      bool ok = true;
      for (unsigned i = 0; i < kPerWriter; ++i)
        ok = store.append(sampleRecord(writer * 1000 + i, "W", "2026-03-01T00:00:00Z")).has_value() && ok;
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::set<Uuid> expected;
  for (unsigned writer = 0; writer < 2; ++writer)
    for (unsigned i = 0; i < kPerWriter; ++i) expected.insert(sampleID(writer * 1000 + i));
  const Ids ids = idsOf(HistoryStore(files.manager(), layout).records());
  EXPECT_EQ(std::set<Uuid>(ids.begin(), ids.end()), expected);
  EXPECT_EQ(ids.size(), expected.size());
  // Equal dates: the records load in file order, which the interleaved writes left fully encoded.
  EXPECT_EQ(SampleMac::readFile(historyPath), historyText(HistoryStore(files.manager(), layout).records()));
}

// The same, with the interleaving forced: a second writer comes while the first holds the lock (inside its
// write), waits out its short wait and fails without writing; the first writer's record is not overwritten.
TEST_F(HistoryStoreTest, AWriterThatFindsTheLockHeldWaitsAndNeverWritesOverTheHolder) {
  HistoryStore second(HistoryFileManager::system(std::chrono::milliseconds(50)), layout);
  std::optional<Status> meanwhile;
  HistoryFileManager holder = files.manager();
  holder.writeAtomically = [&, write = holder.writeAtomically](const std::string& path, const std::string& bytes) {
    if (!meanwhile) meanwhile = second.append(b);
    return write(path, bytes);
  };
  HistoryStore first(holder, layout);
  ASSERT_TRUE(first.append(a).has_value());
  ASSERT_TRUE(meanwhile && !meanwhile->has_value());
  EXPECT_EQ(meanwhile->error().describe(),
            "flock " + folder() + "/.history.json.lock: Resource temporarily unavailable");
  EXPECT_EQ(idsOf(HistoryStore(files.manager(), layout).records()), (Ids{a.id}));
  // With the lock free again the second writer's next change lands on top of the first's record.
  ASSERT_TRUE(second.append(c).has_value());
  EXPECT_EQ(idsOf(HistoryStore(files.manager(), layout).records()), (Ids{c.id, a.id}));
}

TEST_F(HistoryStoreTest, AppendsLeaveExactlyTheTextEncodingTheWholeHistoryGives) {
  // What the file holds first (none: no file); a store opened on it then appends e (older than all) and d.
  const UninstallRecord d = sampleRecord(4, "D", "2026-05-01T00:00:00Z");
  const UninstallRecord e = sampleRecord(5, "E", "2026-01-01T00:00:00Z");
  struct Case {
    const char* name;
    std::optional<std::string> text;
    std::vector<UninstallRecord> loaded;  // newest first
    std::vector<UninstallRecord> inFile;  // what a change applies to
  };
  const Case cases[] = {
      {"no file", std::nullopt, {}, {}},
      {"an empty history", "[]", {}, {}},
      {"one record", historyText({a}), {a}, {a}},
      {"three records", historyText({c, a, b}), {c, a, b}, {c, a, b}},
      {"keys in another order", toJSON(std::vector<UninstallRecord>{c, a, b}, JsonLayout::pretty), {c, a, b}, {c, a, b}},
      {"not newest first", historyText({b, c, a}), {c, a, b}, {b, c, a}},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.name);
    fs::remove_all(folder());
    if (t.text) writeHistory(*t.text);
    HistoryStore store(files.manager(), layout);
    EXPECT_EQ(idsOf(store.records()), idsOf(t.loaded));
    std::vector<UninstallRecord> expected = t.inFile;
    for (const auto& r : {e, d}) {
      ASSERT_TRUE(store.append(r).has_value());
      expected.insert(expected.begin(), r);
      EXPECT_EQ(SampleMac::readFile(historyPath), historyText(expected));
      EXPECT_EQ(store.records(), expected);
    }
  }
}

TEST_F(HistoryStoreTest, AChangeAppliesToWhatTheFileHoldsNowAndClearsLeftoverTemporaries) {
  HistoryStore mine(files.manager(), layout);
  HistoryStore theirs(files.manager(), layout);
  EXPECT_TRUE(theirs.append(a).has_value());
  EXPECT_TRUE(theirs.append(b).has_value());
  // A writer killed mid-write left its temporary; a folder by a similar name is not ours to remove.
  SampleMac::writeFile(folder() + "/.history.json.tmp-0123456789abcdef", std::string(4096, 'x'));
  SampleMac::makeFolder(folder() + "/.history.json.tmp-folder");

  EXPECT_TRUE(mine.remove(a.id).has_value());  // known only to the file
  EXPECT_EQ(idsOf(mine.records()), Ids{b.id});
  EXPECT_TRUE(mine.append(c).has_value());
  EXPECT_EQ(SampleMac::readFile(historyPath), historyText({c, b}));
  EXPECT_EQ(namesInFolder(), (Names{".history.json.lock", ".history.json.tmp-folder", "history.json"}));

  // A failed write says so, with the error of the write.
  files.failWritesWith = EROFS;
  auto failed = theirs.clear();
  ASSERT_FALSE(failed.has_value());
  EXPECT_EQ(failed.error(), Error::fromErrno(EROFS, "write", historyPath));
  EXPECT_EQ(idsOf(theirs.records()), (Ids{c.id, b.id}));
}

TEST_F(HistoryStoreTest, ObserversSeeTheOldListBeforeAndTheNewListAfterEveryChange) {
  HistoryStore store(files.manager(), layout);
  std::vector<std::size_t> sizesBefore;
  Recorder recorder;
  auto id = recorder.attach(store);
  store.addObserver([&] { sizesBefore.push_back(store.records().size()); }, nullptr);
  int selfRemovingCalls = 0;  // an observer may remove itself while being called
  HistoryStore::ObserverID self = 0;
  self = store.addObserver(nullptr, [&](const std::vector<UninstallRecord>&) {
    ++selfRemovingCalls;
    store.removeObserver(self);
  });

  EXPECT_TRUE(store.append(a).has_value());
  EXPECT_TRUE(store.append(b).has_value());
  EXPECT_TRUE(store.setFollowUp(a.id, followUp));
  EXPECT_TRUE(store.remove(b.id).has_value());
  EXPECT_TRUE(store.clear().has_value());
  EXPECT_EQ(sizesBefore, (std::vector<std::size_t>{0, 1, 2, 2, 1}));
  EXPECT_EQ(recorder.lists, (std::vector<Ids>{{a.id}, {b.id, a.id}, {b.id, a.id}, {a.id}, {}}));
  EXPECT_EQ(selfRemovingCalls, 1);

  store.removeObserver(id);
  EXPECT_TRUE(store.append(b).has_value());
  EXPECT_EQ(recorder.lists.size(), 5u);
  EXPECT_EQ(sizesBefore.size(), 6u);
}

}  // namespace
}  // namespace corvane
