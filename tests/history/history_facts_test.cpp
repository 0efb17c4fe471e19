#include "corvane/history/history_facts.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "history/sample_records.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::SampleMac;
using testing::sampleID;

class HistoryFactsTest : public ::testing::Test {
 protected:
  std::string file(const char* kind) const { return HistoryFacts::sideFilePath(history, kind); }

  testing::TemporaryFolder tmp;
  std::string history = tmp.path() + "/history.json";
  HistoryFacts facts{HistoryFileManager::system(), Url::fileURL(history)};
  const std::string a = sampleID(1).toString(), b = sampleID(2).toString();
};

// Side files as earlier versions wrote them read back; entries that do not have the form are skipped.
TEST_F(HistoryFactsTest, ReadsTheSideFilesAsTheyAreOnDisk) {
  const struct {
    const char* label;
    std::string sizes, restores;
    std::optional<SizeTotal> freed;
    std::vector<RestoreNote> notes;
  } cases[] = {
      {"written before", "{\n  \"" + a + "\": {\n    \"allocatedBytes\": 4096,\n    \"atLeast\": true\n  }\n}\n",
       "{\"" + a + "\": [{\"restoredAt\": \"2026-12-04T18:41:39Z\", \"summary\": \"Put back 2 items.\", "
                   "\"restoredPaths\": [\"/p/a\", 7, \"/p/b\"]}, {\"restoredAt\": \"2026-12-05T08:00:00Z\", "
                   "\"summary\": \"s\"}]}",
       SizeTotal{4096, 0, true},
       {{testing::isoDate("2026-12-04T18:41:39Z"), "Put back 2 items.", {"/p/a", "/p/b"}},
        {testing::isoDate("2026-12-05T08:00:00Z"), "s", {}}}},
      {"missing", "", "", std::nullopt, {}},
      {"not json", "{\"" + a + "\": ", "[", std::nullopt, {}},
      {"not an object", "[1]", "\"x\"", std::nullopt, {}},
      {"other record", "{\"" + b + "\": {\"allocatedBytes\": 1, \"atLeast\": false}}", "{\"" + b + "\": []}",
       std::nullopt, {}},
      {"wrong field types", "{\"" + a + "\": {\"allocatedBytes\": \"1\", \"atLeast\": false}}",
       "{\"" + a + "\": [{\"restoredAt\": 5, \"summary\": \"s\"}, {\"restoredAt\": \"yesterday\", \"summary\": \"s\"}, "
                   "{\"restoredAt\": \"2026-12-04T18:41:39Z\"}, 3]}",
       std::nullopt, {}},
      {"too large", "{\"" + a + "\": {\"allocatedBytes\": 1, \"atLeast\": false}, \"pad\": \"" +
                        std::string(kMaxHistoryFactsBytes, 'x') + "\"}",
       "", std::nullopt, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::filesystem::remove(file("sizes"));
    std::filesystem::remove(file("restores"));
    if (!c.sizes.empty()) SampleMac::writeFile(file("sizes"), c.sizes);
    if (!c.restores.empty()) SampleMac::writeFile(file("restores"), c.restores);
    EXPECT_EQ(facts.freed(sampleID(1)), c.freed);
    EXPECT_EQ(facts.restores(sampleID(1)), c.notes);
  }
}

// A change rewrites the file whole, keeping what other records (and forms this version does not know)
// hold, in the form earlier versions read.
TEST_F(HistoryFactsTest, WritesKeepTheRestAndTheForm) {
  SampleMac::writeFile(file("sizes"), "{\"" + b + "\": {\"future\": 1}}");
  ASSERT_TRUE(facts.rememberFreed(sampleID(1), SizeTotal{1234, 9, false}).has_value());
  EXPECT_EQ(SampleMac::readFile(file("sizes")), "{\n  \"" + a + "\": {\n    \"allocatedBytes\": 1234,\n    \"atLeast\": "
                                                "false\n  },\n  \"" + b + "\": {\n    \"future\": 1\n  }\n}\n");

  const RestoreNote first{testing::isoDate("2026-12-04T18:41:39Z"), "Put back 'x'.", {"/p/x"}};
  const RestoreNote second{testing::isoDate("2026-12-05T08:00:00Z"), "Nothing was put back.", {}};
  ASSERT_TRUE(facts.rememberRestore(sampleID(1), first).has_value());
  ASSERT_TRUE(facts.rememberRestore(sampleID(1), second).has_value());
  EXPECT_EQ(facts.restores(sampleID(1)), (std::vector<RestoreNote>{first, second}));
  EXPECT_EQ(SampleMac::readFile(file("restores")),
            "{\n  \"" + a + "\": [\n    {\n      \"restoredAt\": \"2026-12-04T18:41:39Z\",\n      \"restoredPaths\": [\n"
            "        \"/p/x\"\n      ],\n      \"summary\": \"Put back 'x'.\"\n    },\n    {\n      \"restoredAt\": "
            "\"2026-12-05T08:00:00Z\",\n      \"restoredPaths\": [],\n      \"summary\": \"Nothing was put back.\"\n    }\n  ]\n}\n");
}

// Without the history's lock nothing is written: another process may be rewriting the same file.
TEST_F(HistoryFactsTest, NothingIsWrittenWithoutTheLock) {
  HistoryFileManager manager = HistoryFileManager::system();
  manager.lock = [](const std::string& path) -> Result<std::shared_ptr<void>> {
    return Error::fromErrno(EWOULDBLOCK, "lock", path);
  };
  HistoryFacts locked(manager, Url::fileURL(history));
  auto written = locked.rememberFreed(sampleID(1), SizeTotal{1, 0, false});
  ASSERT_FALSE(written.has_value());
  EXPECT_EQ(written.error().code, EWOULDBLOCK);
  EXPECT_FALSE(locked.rememberRestore(sampleID(1), {}).has_value());
  EXPECT_FALSE(std::filesystem::exists(file("sizes")));
  EXPECT_FALSE(std::filesystem::exists(file("restores")));
}

}  // namespace
}  // namespace corvane
