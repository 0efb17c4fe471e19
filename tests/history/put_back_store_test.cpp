#include "corvane/history/put_back.h"

#include <gtest/gtest.h>

#include "sample_mac/ds_store_writer.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

TEST(PutBackStore, NormalizeParent) {
  struct Case {
    std::string parent, root, expected;
  };
  const std::vector<Case> cases = {
      {"Users/u/Desktop/", "/", "/Users/u/Desktop"},
      {"System/Volumes/Data/Users/u/Desktop/", "/", "/Users/u/Desktop"},
      {"/System/Volumes/Data", "/", "/"},
      {"System/Volumes/DataX/a/", "/", "/System/Volumes/DataX/a"},
      {"Projects/", "/Volumes/Disk/", "/Volumes/Disk/Projects"},
      {"", "/Volumes/Disk/", "/Volumes/Disk"},
      {"System/Volumes/Data/x", "/Volumes/Disk", "/Volumes/Disk/System/Volumes/Data/x"},
      {"//a//", "", "/a"},
      {"", "///", "/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.parent + " on " + c.root);
    EXPECT_EQ(PutBackStore::normalizeParent(c.parent, c.root), c.expected);
  }
}

TEST(PutBackStore, InfoFromPath) {
  struct Case {
    std::string path;
    std::optional<PutBackInfo> expected;
  };
  const std::vector<Case> cases = {
      {"/Foo", PutBackInfo{"t", "/", "Foo"}},
      {"/Users/u/Report.pdf", PutBackInfo{"t", "/Users/u", "Report.pdf"}},
      {"/Users/u/Folder/", PutBackInfo{"t", "/Users/u", "Folder"}},
      {"relative/x", std::nullopt},
      {"x", std::nullopt},
      {"/", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(PutBackStore::infoFrom(c.path, "t"), c.expected);
  }
  EXPECT_EQ((PutBackInfo{"t", "/", "Foo"}).originalPath(), "/Foo");
  EXPECT_EQ((PutBackInfo{"t", "/Users/u", "Foo"}).originalPath(), "/Users/u/Foo");
}

TEST(PutBackStore, HistoryFallbackAppliesWithinTenMinutes) {
  const Date trashed = Date(800'000'000s);
  const HistoryOrigins origins = {{"Tool.app", {"/Applications/Tool.app", trashed}}};
  const PutBackInfo info{"Tool.app", "/Applications", "Tool.app"};
  struct Case {
    std::string name;
    std::optional<Date> dateTrashed;
    std::optional<PutBackInfo> expected;
  };
  const std::vector<Case> cases = {
      {"Tool.app", trashed + 600s, info},  {"Tool.app", trashed - 600s, info},
      {"Tool.app", trashed + 601s, std::nullopt}, {"Tool.app", trashed - 601s, std::nullopt},
      {"Tool.app", std::nullopt, std::nullopt},   {"Other.app", trashed, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + " " + (c.dateTrashed ? date::iso8601(*c.dateTrashed) : "no date"));
    EXPECT_EQ(PutBackStore::applicableFallback(c.name, c.dateTrashed, origins), c.expected);
  }
  const HistoryOrigins relative = {{"x", {"relative/x", trashed}}};
  EXPECT_EQ(PutBackStore::applicableFallback("x", trashed, relative), std::nullopt);
}

TEST(PutBackStore, ResolvesWrittenTrashStore) {
  const auto image = testing::buildTrashDSStore({
      {"Report 2.pdf", "Users/u/Desktop/", "Report.pdf"},
      {"Notes.app", "System/Volumes/Data/Applications/", "Notes.app"},
      {"only-folder", "Users/u/", std::nullopt},
      {"only-name", std::nullopt, "Name"},
  });
  const auto parsed = DSStore::parse(image.bytes);
  ASSERT_TRUE(parsed.ok());
  EXPECT_EQ(PutBackStore::resolve(parsed.records, "/"),
            (PutBackTable{{"Notes.app", {"Notes.app", "/Applications", "Notes.app"}},
                          {"Report 2.pdf", {"Report 2.pdf", "/Users/u/Desktop", "Report.pdf"}},
                          {"only-folder", {"only-folder", "/Users/u", "only-folder"}}}));
  EXPECT_EQ(PutBackStore::resolve(parsed.records, "/Volumes/Disk").at("Notes.app").originalParent,
            "/Volumes/Disk/System/Volumes/Data/Applications");
}

TEST(PutBackStore, LaterRecordsWinAndOthersAreIgnored) {
  const std::vector<DSRecord> records = {
      {"a", "ptbL", "Old/"}, {"a", "ptbL", "New/"}, {"a", "ptbN", "first"}, {"a", "ptbN", "second"},
      {"a", "Iloc", std::nullopt}, {"b", "ptbL", std::nullopt}, {"c", "ptbN", "c-name"},
  };
  EXPECT_EQ(PutBackStore::resolve(records, "/"), (PutBackTable{{"a", {"a", "/New", "second"}}}));
}

}  // namespace
}  // namespace corvane
