#include "corvane/history_store.h"
#include "model/json_value.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "history/sample_records.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::isoDate;
using testing::SampleMac;
using testing::sampleID;
using testing::sampleRecord;
using testing::sampleSnapshot;
using testing::TemporaryFolder;

std::vector<Uuid> idsOf(const std::vector<UninstallRecord>& records) {
  std::vector<Uuid> ids;
  for (const auto& r : records) ids.push_back(r.id);
  return ids;
}

std::string historyText(const std::vector<UninstallRecord>& records) {
  json::Json array = json::Json::array();
  for (const auto& r : records) array.push_back(json::encode(r));
  return json::prettySorted(array);
}

// The real file system, counting what the store does and failing on demand.
struct CountingFiles {
  HistoryFileManager real = HistoryFileManager::system();
  int reads = 0;
  int writes = 0;
  std::vector<std::string> moveTargets;
  int failWritesWith = 0;  // errno; 0 lets writes through
  int failMovesWith = 0;
  Date clock = isoDate("2026-12-04T18:41:39Z");

  HistoryFileManager manager() {
    HistoryFileManager m = real;
    m.readFile = [this](const std::string& path) {
      ++reads;
      return real.readFile(path);
    };
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
    m.now = [this] { return clock; };
    return m;
  }
};

// Every notification an observer received, in order: "will" or "did" with the ids of the new list.
struct Recorder {
  std::vector<std::string> events;
  std::vector<std::vector<Uuid>> lists;

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
  TemporaryFolder tmp;
  CountingFiles files;
  Layout layout = Layout::at(tmp.path() + "/root", tmp.path() + "/home");
  std::string historyPath = tmp.path() + "/home/Library/Application Support/Corvane/history.json";

  void writeHistory(const std::string& text) { SampleMac::writeFile(historyPath, text); }
  std::string folder() const { return fs::path(historyPath).parent_path().string(); }
  std::set<std::string> namesInFolder() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder())) names.insert(e.path().filename().string());
    return names;
  }
};

TEST_F(HistoryStoreTest, NewStoreStartsEmptyAndFirstAppendCreatesFolderAndFile) {
  HistoryStore store(files.manager(), layout);
  EXPECT_EQ(store.fileURL().path(), historyPath);
  EXPECT_EQ(HistoryStore::defaultURL(layout), store.fileURL());
  EXPECT_TRUE(store.records().empty());
  EXPECT_FALSE(store.fileIsUnreadable());
  EXPECT_FALSE(fs::exists(tmp.path() + "/home"));

  UninstallRecord record = sampleRecord(1, "Example", "2026-12-04T18:41:39Z");
  EXPECT_TRUE(store.append(record).has_value());
  EXPECT_EQ(store.records(), std::vector<UninstallRecord>{record});
  auto parsed = nlohmann::json::parse(SampleMac::readFile(historyPath));
  ASSERT_TRUE(parsed.is_array());
  ASSERT_EQ(parsed.size(), 1u);
  EXPECT_EQ(*json::decode<UninstallRecord>(parsed[0]), record);
  EXPECT_EQ(namesInFolder(), (std::set<std::string>{".history.json.lock", "history.json"}));
}

TEST_F(HistoryStoreTest, FileIsPrettyPrintedWithSortedKeysAndWholeSecondDates) {
  UninstallRecord record;
  record.id = sampleID(0xC0);
  record.createdAt = isoDate("2026-12-04T18:41:39.750Z");  // fractions are not kept
  record.identity.name = "Tool";
  record.preRemovalSnapshot.id = sampleID(0xC1);
  record.preRemovalSnapshot.createdAt = isoDate("2026-12-04T18:40:00+01:00");
  record.preRemovalSnapshot.appURL = Url::fileURL("/Applications/My Tool.app");
  record.preRemovalSnapshot.identity = record.identity;
  record.operations = {TrashOperation::failure(Url::fileURL("/Library/Logs/Tool"), "Gone.",
                                               RemovalFailureReason::itemMissing)};
  record.operations[0].id = sampleID(0xC2);

  HistoryStore store(files.manager(), layout);
  EXPECT_TRUE(store.append(record).has_value());
  EXPECT_EQ(SampleMac::readFile(historyPath),
            "[\n"
            "  {\n"
            "    \"createdAt\": \"2026-12-04T18:41:39Z\",\n"
            "    \"id\": \"00000000-0000-4000-8000-0000000000C0\",\n"
            "    \"identity\": {\n"
            "      \"name\": \"Tool\",\n"
            "      \"packageReceipts\": []\n"
            "    },\n"
            "    \"operations\": [\n"
            "      {\n"
            "        \"errorDescription\": \"Gone.\",\n"
            "        \"failureReason\": \"itemMissing\",\n"
            "        \"id\": \"00000000-0000-4000-8000-0000000000C2\",\n"
            "        \"originalURL\": \"file:///Library/Logs/Tool\",\n"
            "        \"succeeded\": false\n"
            "      }\n"
            "    ],\n"
            "    \"preRemovalSnapshot\": {\n"
            "      \"appURL\": \"file:///Applications/My%20Tool.app\",\n"
            "      \"createdAt\": \"2026-12-04T17:40:00Z\",\n"
            "      \"findings\": [],\n"
            "      \"id\": \"00000000-0000-4000-8000-0000000000C1\",\n"
            "      \"identity\": {\n"
            "        \"name\": \"Tool\",\n"
            "        \"packageReceipts\": []\n"
            "      },\n"
            "      \"isApplicationRunning\": false\n"
            "    }\n"
            "  }\n"
            "]");
}

TEST_F(HistoryStoreTest, LoadsNewestFirstAndKeepsFileOrderForEqualDates) {
  auto january = sampleRecord(1, "A", "2026-01-10T09:00:00Z");
  auto februaryFirst = sampleRecord(2, "B", "2026-02-10T09:00:00Z");
  auto februarySecond = sampleRecord(3, "C", "2026-02-10T09:00:00Z");
  auto march = sampleRecord(4, "D", "2026-03-10T09:00:00Z");
  writeHistory(historyText({january, februaryFirst, februarySecond, march}));

  HistoryStore store(files.manager(), Url::fileURL(historyPath));
  EXPECT_EQ(idsOf(store.records()), (std::vector<Uuid>{march.id, februaryFirst.id, februarySecond.id, january.id}));
  EXPECT_EQ(files.writes, 0);  // loading never writes
}

TEST_F(HistoryStoreTest, AppendPutsTheRecordFirstEvenWhenItIsOlder) {
  auto newer = sampleRecord(1, "A", "2026-03-01T00:00:00Z");
  auto older = sampleRecord(2, "B", "2025-01-01T00:00:00Z");
  HistoryStore store(files.manager(), layout);
  EXPECT_TRUE(store.append(newer).has_value());
  EXPECT_TRUE(store.append(older).has_value());
  EXPECT_EQ(idsOf(store.records()), (std::vector<Uuid>{older.id, newer.id}));
  EXPECT_EQ(SampleMac::readFile(historyPath), historyText({older, newer}));
  // A new store sorts again on load.
  HistoryStore reopened(files.manager(), layout);
  EXPECT_EQ(idsOf(reopened.records()), (std::vector<Uuid>{newer.id, older.id}));
}

TEST_F(HistoryStoreTest, DeleteRemovesEveryRecordWithTheIdAndUnknownIdsWriteNothing) {
  auto a = sampleRecord(1, "A", "2026-03-01T00:00:00Z");
  auto b = sampleRecord(2, "B", "2026-02-01T00:00:00Z");
  auto aAgain = sampleRecord(1, "A2", "2026-01-01T00:00:00Z");
  auto c = sampleRecord(3, "C", "2025-12-01T00:00:00Z");
  writeHistory(historyText({a, b, aAgain, c}));
  HistoryStore store(files.manager(), layout);
  Recorder recorder;
  recorder.attach(store);
  const auto before = fs::last_write_time(historyPath);

  EXPECT_TRUE(store.remove(sampleID(99)).has_value());
  EXPECT_EQ(files.writes, 0);
  EXPECT_TRUE(recorder.events.empty());
  EXPECT_EQ(fs::last_write_time(historyPath), before);

  EXPECT_TRUE(store.remove(a.id).has_value());
  EXPECT_EQ(idsOf(store.records()), (std::vector<Uuid>{b.id, c.id}));
  EXPECT_EQ(SampleMac::readFile(historyPath), historyText({b, c}));
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"will", "did"}));
  EXPECT_EQ(recorder.lists, (std::vector<std::vector<Uuid>>{{b.id, c.id}}));
}

TEST_F(HistoryStoreTest, ClearEmptiesTheFileAndAnEmptyStoreWritesNothing) {
  HistoryStore empty(files.manager(), layout);
  Recorder quiet;
  quiet.attach(empty);
  EXPECT_TRUE(empty.clear().has_value());
  EXPECT_EQ(files.writes, 0);
  EXPECT_TRUE(quiet.events.empty());
  EXPECT_FALSE(fs::exists(historyPath));

  writeHistory(historyText({sampleRecord(1, "A", "2026-03-01T00:00:00Z")}));
  HistoryStore store(files.manager(), layout);
  EXPECT_TRUE(store.clear().has_value());
  EXPECT_TRUE(store.records().empty());
  EXPECT_EQ(SampleMac::readFile(historyPath), "[]");
  EXPECT_EQ(files.writes, 1);
}

TEST_F(HistoryStoreTest, SetFollowUpStoresTheSnapshotInThatRecordOnly) {
  auto a = sampleRecord(1, "A", "2026-03-01T00:00:00Z");
  auto b = sampleRecord(2, "B", "2026-02-01T00:00:00Z");
  writeHistory(historyText({a, b}));
  HistoryStore store(files.manager(), layout);
  const auto snapshot = sampleSnapshot("B", "2026-04-01T12:00:00Z", 0x500);

  EXPECT_FALSE(store.setFollowUp(sampleID(99), snapshot));
  EXPECT_EQ(files.writes, 0);

  EXPECT_TRUE(store.setFollowUp(b.id, snapshot));
  EXPECT_EQ(store.records()[1].followUpSnapshot, snapshot);
  auto parsed = nlohmann::json::parse(SampleMac::readFile(historyPath));
  ASSERT_EQ(parsed.size(), 2u);
  EXPECT_FALSE(parsed[0].contains("followUpSnapshot"));
  ASSERT_TRUE(parsed[1].contains("followUpSnapshot"));
  EXPECT_EQ(*json::decode<AnalysisSnapshot>(parsed[1]["followUpSnapshot"]), snapshot);
}

TEST_F(HistoryStoreTest, AnUndecodableFileLoadsEmptyAndIsKeptAsideByteForByteBeforeTheNextWrite) {
  nlohmann::json array = nlohmann::json::parse(historyText({sampleRecord(1, "A", "2026-03-01T00:00:00Z"),
                                                            sampleRecord(2, "B", "2026-02-01T00:00:00Z")}));
  array[1].erase("preRemovalSnapshot");
  const std::string original = array.dump(3) + "\n  ";
  writeHistory(original);

  HistoryStore store(files.manager(), layout);
  EXPECT_TRUE(store.records().empty());
  EXPECT_TRUE(store.fileIsUnreadable());
  EXPECT_TRUE(store.clear().has_value());  // nothing to clear: the file stays where it is
  EXPECT_TRUE(store.remove(sampleID(1)).has_value());
  EXPECT_EQ(SampleMac::readFile(historyPath), original);
  EXPECT_TRUE(files.moveTargets.empty());

  auto record = sampleRecord(3, "C", "2026-04-01T00:00:00Z");
  EXPECT_TRUE(store.append(record).has_value());
  const std::string aside = historyPath + ".unreadable-20261204T184139Z";
  EXPECT_EQ(store.keptAsideURL(), Url::fileURL(aside));
  EXPECT_FALSE(store.fileIsUnreadable());
  EXPECT_EQ(SampleMac::readFile(aside), original);
  EXPECT_EQ(SampleMac::readFile(historyPath), historyText({record}));

  // Only once: the next write just replaces the new file.
  EXPECT_TRUE(store.append(sampleRecord(4, "D", "2026-05-01T00:00:00Z")).has_value());
  EXPECT_EQ(files.moveTargets.size(), 1u);
  EXPECT_EQ(namesInFolder(), (std::set<std::string>{".history.json.lock", "history.json",
                                                    "history.json.unreadable-20261204T184139Z"}));
}

TEST_F(HistoryStoreTest, KeepingAsideNeverReplacesAnEarlierKeptFile) {
  writeHistory("not json");
  SampleMac::writeFile(historyPath + ".unreadable-20261204T184139Z", "earlier");
  SampleMac::writeFile(historyPath + ".unreadable-20261204T184139Z-2", "earlier 2");
  HistoryStore store(files.manager(), layout);
  EXPECT_TRUE(store.append(sampleRecord(1, "A", "2026-03-01T00:00:00Z")).has_value());
  EXPECT_EQ(SampleMac::readFile(historyPath + ".unreadable-20261204T184139Z"), "earlier");
  EXPECT_EQ(SampleMac::readFile(historyPath + ".unreadable-20261204T184139Z-2"), "earlier 2");
  EXPECT_EQ(SampleMac::readFile(historyPath + ".unreadable-20261204T184139Z-3"), "not json");
  EXPECT_EQ(store.keptAsideURL(), Url::fileURL(historyPath + ".unreadable-20261204T184139Z-3"));
}

TEST_F(HistoryStoreTest, WhenTheUnreadableFileCannotBeMovedAsideNothingIsWritten) {
  writeHistory("[{\"id\": 1}]");
  HistoryStore store(files.manager(), layout);
  files.failMovesWith = EACCES;
  auto record = sampleRecord(1, "A", "2026-03-01T00:00:00Z");
  EXPECT_FALSE(store.append(record).has_value());
  EXPECT_EQ(files.writes, 0);
  EXPECT_EQ(SampleMac::readFile(historyPath), "[{\"id\": 1}]");
  EXPECT_EQ(store.records(), std::vector<UninstallRecord>{record});  // kept in memory, like any failed append
  EXPECT_TRUE(store.fileIsUnreadable());

  // A failed setFollowUp reloads, which finds the same unreadable file and leaves the list alone.
  EXPECT_FALSE(store.setFollowUp(record.id, sampleSnapshot("A", "2026-04-01T00:00:00Z", 7)));
  EXPECT_EQ(files.writes, 0);
  EXPECT_EQ(SampleMac::readFile(historyPath), "[{\"id\": 1}]");

  files.failMovesWith = 0;
  EXPECT_TRUE(store.append(sampleRecord(2, "B", "2026-03-02T00:00:00Z")).has_value());
  EXPECT_EQ(SampleMac::readFile(historyPath + ".unreadable-20261204T184139Z"), "[{\"id\": 1}]");
  EXPECT_EQ(files.writes, 1);
}

TEST_F(HistoryStoreTest, AFolderAtTheHistoryPathIsMovedAsideNotRemoved) {
  SampleMac::writeFile(historyPath + "/inside.txt", "mine");
  HistoryStore store(files.manager(), layout);
  EXPECT_TRUE(store.fileIsUnreadable());
  EXPECT_TRUE(store.append(sampleRecord(1, "A", "2026-03-01T00:00:00Z")).has_value());
  EXPECT_EQ(SampleMac::readFile(historyPath + ".unreadable-20261204T184139Z/inside.txt"), "mine");
  EXPECT_EQ(store.records().size(), 1u);
  EXPECT_EQ(SampleMac::readFile(historyPath), historyText(store.records()));
}

TEST_F(HistoryStoreTest, FailedWritesRollBackDeleteClearAndFollowUpButKeepAnAppend) {
  auto a = sampleRecord(1, "A", "2026-03-01T00:00:00Z");
  auto b = sampleRecord(2, "B", "2026-02-01T00:00:00Z");
  writeHistory(historyText({a, b}));
  const std::string stored = SampleMac::readFile(historyPath);
  HistoryStore store(files.manager(), layout);
  Recorder recorder;
  recorder.attach(store);
  files.failWritesWith = ENOSPC;

  EXPECT_FALSE(store.remove(a.id).has_value());
  EXPECT_EQ(idsOf(store.records()), (std::vector<Uuid>{a.id, b.id}));
  // The change, then the reload that undid it.
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"will", "did", "will", "did"}));
  EXPECT_EQ(recorder.lists, (std::vector<std::vector<Uuid>>{{b.id}, {a.id, b.id}}));

  EXPECT_FALSE(store.clear().has_value());
  EXPECT_EQ(idsOf(store.records()), (std::vector<Uuid>{a.id, b.id}));

  EXPECT_FALSE(store.setFollowUp(b.id, sampleSnapshot("B", "2026-04-01T00:00:00Z", 7)));
  EXPECT_FALSE(store.records()[1].followUpSnapshot.has_value());

  auto c = sampleRecord(3, "C", "2026-04-01T00:00:00Z");
  EXPECT_FALSE(store.append(c).has_value());
  EXPECT_EQ(idsOf(store.records()), (std::vector<Uuid>{c.id, a.id, b.id}));
  EXPECT_EQ(SampleMac::readFile(historyPath), stored);
  EXPECT_EQ(files.writes, 4);
}

TEST_F(HistoryStoreTest, WithoutAFileToReloadAFailedDeleteStaysInMemory) {
  auto a = sampleRecord(1, "A", "2026-03-01T00:00:00Z");
  auto b = sampleRecord(2, "B", "2026-02-01T00:00:00Z");
  writeHistory(historyText({a, b}));
  HistoryStore store(files.manager(), layout);
  fs::remove(historyPath);
  files.failWritesWith = EIO;
  EXPECT_FALSE(store.remove(a.id).has_value());
  EXPECT_EQ(idsOf(store.records()), std::vector<Uuid>{b.id});
  EXPECT_FALSE(fs::exists(historyPath));
}

TEST_F(HistoryStoreTest, AFolderThatCannotBeCreatedIsAFailedWrite) {
  auto a = sampleRecord(1, "A", "2026-03-01T00:00:00Z");
  writeHistory(historyText({a}));
  HistoryStore store(files.manager(), layout);
  // The history's folder is replaced by a file: creating it fails before any write.
  fs::remove_all(folder());
  SampleMac::writeFile(folder(), "in the way");
  EXPECT_FALSE(store.setFollowUp(a.id, sampleSnapshot("A", "2026-04-01T00:00:00Z", 7)));
  EXPECT_EQ(files.writes, 0);
  // The reload could not read the file, so the in-memory change stays.
  EXPECT_TRUE(store.records()[0].followUpSnapshot.has_value());
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
  HistoryStore merged(files.manager(), layout);
  std::set<Uuid> ids;
  for (const auto& r : merged.records()) ids.insert(r.id);
  std::set<Uuid> expected;
  for (unsigned writer = 0; writer < 2; ++writer)
    for (unsigned i = 0; i < kPerWriter; ++i) expected.insert(sampleID(writer * 1000 + i));
  EXPECT_EQ(ids, expected);
  EXPECT_EQ(merged.records().size(), 2 * kPerWriter);
}

TEST_F(HistoryStoreTest, AChangeAppliesToWhatTheFileHoldsNowAndClearsLeftoverTemporaries) {
  auto a = sampleRecord(1, "A", "2026-03-01T00:00:00Z");
  auto b = sampleRecord(2, "B", "2026-02-01T00:00:00Z");
  auto c = sampleRecord(3, "C", "2026-04-01T00:00:00Z");
  HistoryStore mine(files.manager(), layout);
  HistoryStore theirs(files.manager(), layout);
  EXPECT_TRUE(theirs.append(a).has_value());
  EXPECT_TRUE(theirs.append(b).has_value());
  // A writer killed mid-write left its temporary; a folder by a similar name is not ours to remove.
  SampleMac::writeFile(folder() + "/.history.json.tmp-0123456789abcdef", std::string(4096, 'x'));
  SampleMac::makeFolder(folder() + "/.history.json.tmp-folder");

  EXPECT_TRUE(mine.remove(a.id).has_value());  // known only to the file
  EXPECT_EQ(idsOf(mine.records()), std::vector<Uuid>{b.id});
  EXPECT_TRUE(mine.append(c).has_value());
  EXPECT_EQ(SampleMac::readFile(historyPath), historyText({c, b}));
  EXPECT_EQ(namesInFolder(), (std::set<std::string>{".history.json.lock", ".history.json.tmp-folder", "history.json"}));

  // A failed write says so, with the error of the write.
  files.failWritesWith = EROFS;
  auto failed = theirs.clear();
  ASSERT_FALSE(failed.has_value());
  EXPECT_EQ(failed.error(), Error::fromErrno(EROFS, "write", historyPath));
  EXPECT_EQ(idsOf(theirs.records()), (std::vector<Uuid>{c.id, b.id}));
}

TEST_F(HistoryStoreTest, ObserversSeeTheOldListBeforeAndTheNewListAfterEveryChange) {
  HistoryStore store(files.manager(), layout);
  auto a = sampleRecord(1, "A", "2026-03-01T00:00:00Z");
  auto b = sampleRecord(2, "B", "2026-02-01T00:00:00Z");
  std::vector<std::size_t> sizesBefore;
  Recorder recorder;
  auto id = recorder.attach(store);
  store.addObserver([&] { sizesBefore.push_back(store.records().size()); }, nullptr);

  EXPECT_TRUE(store.append(a).has_value());
  EXPECT_TRUE(store.append(b).has_value());
  EXPECT_TRUE(store.setFollowUp(a.id, sampleSnapshot("A", "2026-04-01T00:00:00Z", 7)));
  EXPECT_TRUE(store.remove(b.id).has_value());
  EXPECT_TRUE(store.clear().has_value());
  EXPECT_EQ(sizesBefore, (std::vector<std::size_t>{0, 1, 2, 2, 1}));
  EXPECT_EQ(recorder.lists, (std::vector<std::vector<Uuid>>{{a.id}, {b.id, a.id}, {b.id, a.id}, {a.id}, {}}));

  store.removeObserver(id);
  EXPECT_TRUE(store.append(b).has_value());
  EXPECT_EQ(recorder.lists.size(), 5u);
  EXPECT_EQ(sizesBefore.size(), 6u);
}

TEST_F(HistoryStoreTest, AnObserverMayRemoveItselfWhileBeingCalled) {
  HistoryStore store(files.manager(), layout);
  int calls = 0;
  HistoryStore::ObserverID self = 0;
  self = store.addObserver(nullptr, [&](const std::vector<UninstallRecord>&) {
    ++calls;
    store.removeObserver(self);
  });
  EXPECT_TRUE(store.append(sampleRecord(1, "A", "2026-03-01T00:00:00Z")).has_value());
  EXPECT_TRUE(store.append(sampleRecord(2, "B", "2026-03-02T00:00:00Z")).has_value());
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace corvane
