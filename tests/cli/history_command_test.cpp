#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_capture.h"
#include "cli/commands.h"
#include "report/json_dialect.h"
#include "corvane/history/history_store.h"
#include "model/json_value.h"
#include "history/sample_records.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
using testing::sampleRecord;

class HistoryCommandTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp;
  std::string home = tmp.path() + "/home";
  std::string historyPath = home + "/Library/Application Support/Corvane/history.json";
  std::string out, err;

  int run(std::vector<std::string> args, const std::string& input = {}) {
    args.insert(args.begin(), "history");
    args.insert(args.end(), {"--home", home});
    auto result = testing::runCli(args, input);
    out = result.out;
    err = result.err;
    return result.status;
  }

  // Two uninstalls written through the store, newest first.
  void writeTwo() {
    fs::create_directories(home);
    HistoryStore store(HistoryFileManager::system(), Layout::at(tmp.path(), home));
    auto older = sampleRecord(1, "Example", "2026-12-04T18:41:39Z");
    older.backgroundServiceOperations = std::vector<BackgroundServiceOperation>{
        {testing::sampleID(0x400), "com.example.agent", true, true, std::nullopt},
        {testing::sampleID(0x401), "com.example.helper", false, false, "Not loaded."}};
    older.followUpSnapshot = testing::sampleSnapshot("Example", "2026-12-10T10:00:00Z", 0x402);
    ASSERT_TRUE(store.append(older).has_value());
    auto newer = sampleRecord(0xAB, "Other App", "2026-12-05T08:00:00Z");
    newer.operations.pop_back();
    ASSERT_TRUE(store.append(newer).has_value());
  }
};

TEST_F(HistoryCommandTest, ListsEachUninstallOnOneLineOrTheFileAsStored) {
  fs::create_directories(home);
  EXPECT_EQ(run({}), 0);
  EXPECT_EQ(out, "The history is empty.\n");
  EXPECT_EQ(err, "");
  EXPECT_FALSE(fs::exists(historyPath));  // looking never writes

  writeTwo();
  EXPECT_EQ(run({}), 0);
  EXPECT_EQ(out,
            "2026-12-05T08:00:00Z · Other App · 1 item moved to the Trash · "
            "00000000-0000-4000-8000-0000000000AB\n"
            "2026-12-04T18:41:39Z · Example · 1 of 2 items moved to the Trash · "
            "00000000-0000-4000-8000-000000000001\n");
  EXPECT_EQ(run({"--json"}), 0);
  // The records as stored, every location written as a path.
  const json::Json stored = json::Json::parse(SampleMac::readFile(historyPath));
  EXPECT_EQ(nlohmann::json::parse(out), nlohmann::json::parse(json::pretty(report::inDialect(stored))));
  EXPECT_NE(out.find("\"originalPath\": \"/Users/me/Library/Caches/com.example.Other App\""), std::string::npos);
  EXPECT_EQ(out.find("URL"), std::string::npos);
  EXPECT_EQ(run({"show", "00000000-0000-4000-8000-0000000000AB", "--json"}), 0);
  EXPECT_EQ(nlohmann::json::parse(out), nlohmann::json::parse(json::pretty(report::inDialect(stored[0]))));
}

TEST_F(HistoryCommandTest, ShowsOneUninstallInDetail) {
  writeTwo();
  EXPECT_EQ(run({"show", "00000000-0000-4000-8000-000000000001"}), 0);
  EXPECT_EQ(out,
            "Uninstall 00000000-0000-4000-8000-000000000001\n"
            "Date: 2026-12-04T18:41:39Z\n"
            "App: Example\n"
            "Bundle identifier: com.example.Example\n"
            "Location: /Applications/Example.app\n"
            "Moved to the Trash: 1 of 2 items\n"
            "Operations:\n"
            "  moved  /Users/me/Library/Caches/com.example.Example -> /Users/me/.Trash/com.example.Example\n"
            "  failed /Library/Logs/Example: No permission. (needsAdministrator)\n"
            "Background services:\n"
            "  com.example.agent: paused (was registered)\n"
            "  com.example.helper: not paused (was not registered): Not loaded.\n"
            "Analysis after removal: none\n"
            "Follow-up analysis: 2026-12-10T10:00:00Z, 0 findings\n");
  // Ids are read in either case.
  EXPECT_EQ(run({"show", "00000000-0000-4000-8000-0000000000ab"}), 0);
  EXPECT_EQ(out.substr(0, out.find('\n')), "Uninstall 00000000-0000-4000-8000-0000000000AB");
  EXPECT_NE(out.find("Background services: none recorded\n"), std::string::npos);
}

TEST_F(HistoryCommandTest, DeletesOneAndClearsAll) {
  writeTwo();
  EXPECT_EQ(run({"delete", "00000000-0000-4000-8000-000000000001"}), 0);
  EXPECT_EQ(out, "Deleted uninstall 00000000-0000-4000-8000-000000000001 (Example, 2026-12-04T18:41:39Z).\n");
  HistoryStore after(HistoryFileManager::system(), Url::fileURL(historyPath));
  ASSERT_EQ(after.records().size(), 1u);
  EXPECT_EQ(after.records()[0].id, testing::sampleID(0xAB));

  // Clearing asks first, like every command that cannot be undone.
  const std::string question =
      "Clear the history (1 uninstall)? Their items can then no longer be restored with corvane restore. [y/N] ";
  const struct {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out;
  } refusals[] = {
      {{"clear", "--dry-run"}, "", 0, "Would clear the history (1 uninstall). Dry run: nothing was changed.\n"},
      {{"clear"}, "", 1, question + "Cancelled. Nothing was cleared.\n"},
      {{"clear"}, "no\n", 1, question + "Cancelled. Nothing was cleared.\n"},
  };
  const std::string kept = SampleMac::readFile(historyPath);
  for (const auto& t : refusals) {
    SCOPED_TRACE(t.args.back() + " " + t.input);
    EXPECT_EQ(run(t.args, t.input), t.status);
    EXPECT_EQ(out, t.out);
    EXPECT_EQ(SampleMac::readFile(historyPath), kept);
  }
  EXPECT_EQ(run({"clear"}, "y\n"), 0);
  EXPECT_EQ(out, question + "Cleared the history (1 uninstall).\n");
  EXPECT_EQ(SampleMac::readFile(historyPath), "[]");
  EXPECT_EQ(run({"clear", "--yes"}), 0);
  EXPECT_EQ(out, "The history is already empty.\n");
}

TEST_F(HistoryCommandTest, UnknownIdsAndBadCommandLinesFailWithOneLineAndChangeNothing) {
  writeTwo();
  const std::string before = SampleMac::readFile(historyPath);
  for (const char* sub : {"show", "delete"}) {
    SCOPED_TRACE(sub);
    EXPECT_EQ(run({sub, "00000000-0000-4000-8000-0000000000FF"}), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, std::string("corvane history ") + sub +
                       ": no uninstall with id 00000000-0000-4000-8000-0000000000FF in the history\n");
    EXPECT_EQ(run({sub, "not-an-id"}), 1);
    EXPECT_EQ(err, std::string("corvane history ") + sub + ": no uninstall with id not-an-id in the history\n");
  }
  EXPECT_EQ(run({"rename"}), 64);
  EXPECT_EQ(err,
            "corvane history: unknown sub-command rename (usage: corvane history [show ID | delete ID | clear [--dry-run] "
            "[--yes]] [--json] [--root DIR] [--home DIR])\n");
  EXPECT_EQ(run({"show"}), 64);
  EXPECT_EQ(run({"clear", "extra"}), 64);
  EXPECT_EQ(run({"delete", "00000000-0000-4000-8000-000000000001", "--yes"}), 64);
  EXPECT_EQ(run({"delete", "00000000-0000-4000-8000-000000000001", "--json"}), 64);
  EXPECT_EQ(SampleMac::readFile(historyPath), before);
}

TEST_F(HistoryCommandTest, AnUnreadableFileIsReportedAndLeftAlone) {
  SampleMac::writeFile(historyPath, "{broken");
  EXPECT_EQ(run({}), 0);
  EXPECT_EQ(out, "The history is empty.\n");
  EXPECT_EQ(err, "corvane history: the history file " + historyPath +
                     " could not be read; it will be kept aside before the next change\n");
  EXPECT_EQ(run({"clear", "--yes"}), 0);
  EXPECT_EQ(SampleMac::readFile(historyPath), "{broken");
}

}  // namespace
}  // namespace corvane
