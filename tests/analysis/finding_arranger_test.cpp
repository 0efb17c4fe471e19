#include "corvane/analysis/finding_arranger.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Key = FindingSortKey;
using Dir = FindingSortDirection;
using Paths = std::vector<std::string>;

FileFinding finding(const std::string& path, FindingConfidence confidence = FindingConfidence::review, int score = 50,
                    std::optional<std::int64_t> size = std::nullopt, std::optional<int> day = std::nullopt) {
  FileFinding f;
  f.url = Url::fileURL(path);
  f.confidence = confidence;
  f.score = score;
  f.byteCount = size;
  if (day) f.modifiedAt = Date(std::chrono::seconds(std::int64_t{*day} * 86400));
  return f;
}

TEST(FindingArrangerTest, KeysAndDirectionsReadOnlyTheirStringValues) {
  std::vector<std::tuple<std::string, std::string, Dir>> keys;
  for (Key key : kAllFindingSortKeys) {
    keys.emplace_back(stringValue(key), label(key), defaultDirection(key));
    EXPECT_EQ(findingSortKeyFromString(stringValue(key)), key);
  }
  EXPECT_EQ(keys, (std::vector<std::tuple<std::string, std::string, Dir>>{
                      {"recommended", "Recommended", Dir::descending},
                      {"name", "Name", Dir::ascending},
                      {"size", "Size", Dir::descending},
                      {"dateModified", "Date modified", Dir::descending}}));
  for (const char* other : {"Name", "date modified", "Date modified", "", "size "})
    EXPECT_FALSE(findingSortKeyFromString(other).has_value()) << other;
  EXPECT_EQ(findingSortDirectionFromString("ascending"), Dir::ascending);
  EXPECT_EQ(findingSortDirectionFromString("descending"), Dir::descending);
  EXPECT_FALSE(findingSortDirectionFromString("Ascending").has_value());
  EXPECT_EQ(flipped(Dir::ascending), Dir::descending);
  EXPECT_EQ(flipped(Dir::descending), Dir::ascending);
}

// Each key in both directions; absent sizes and dates go last either way, ties go by name, then path.
TEST(FindingArrangerTest, EveryKeyInBothDirections) {
  using C = FindingConfidence;
  const auto r = C::review;
  struct Case {
    Key key;
    std::vector<FileFinding> input;
    Paths descending, ascending;
  };
  const std::vector<Case> cases = {
      {Key::recommended,  // tier, then score, then path ascending
       {finding("/b", r, 40), finding("/inuse", C::inUse, 90), finding("/safe", C::safeToRemove, 82),
        finding("/a", r, 40), finding("/leftover", C::probablyLeftover, 60), finding("/c", r, 45)},
       {"/safe", "/leftover", "/c", "/a", "/b", "/inuse"},
       {"/inuse", "/a", "/b", "/c", "/leftover", "/safe"}},
      {Key::name,
       {finding("/z/cherry"), finding("/y/Banana"), finding("/x/apple"), finding("/b/Same"), finding("/a/same")},
       {"/a/same", "/b/Same", "/z/cherry", "/y/Banana", "/x/apple"},
       {"/x/apple", "/y/Banana", "/z/cherry", "/a/same", "/b/Same"}},
      {Key::size,
       {finding("/none-b", r, 0), finding("/small", r, 0, 10), finding("/none-a", r, 0), finding("/big", r, 0, 5000),
        finding("/q/Equal", r, 0, 300), finding("/p/equal", r, 0, 300), finding("/a/equal", r, 0, 300)},
       {"/big", "/a/equal", "/p/equal", "/q/Equal", "/small", "/none-a", "/none-b"},
       {"/small", "/a/equal", "/p/equal", "/q/Equal", "/big", "/none-a", "/none-b"}},
      {Key::dateModified,
       {finding("/undated", r, 0), finding("/old", r, 0, std::nullopt, 100), finding("/new", r, 0, std::nullopt, 19000),
        finding("/Twin", r, 0, std::nullopt, 500), finding("/twin", r, 0, std::nullopt, 500)},
       {"/new", "/Twin", "/twin", "/old", "/undated"},
       {"/old", "/Twin", "/twin", "/new", "/undated"}},
  };
  for (const Case& c : cases) {
    for (Dir dir : kAllFindingSortDirections) {
      SCOPED_TRACE(std::string(stringValue(c.key)) + " " + std::string(stringValue(dir)));
      Paths paths;
      for (const auto& f : FindingArranger::arrange(c.input, c.key, dir)) paths.push_back(f.url.path());
      EXPECT_EQ(paths, dir == Dir::descending ? c.descending : c.ascending);
    }
  }
}

TEST(FindingArrangerTest, EqualFindingsKeepTheirInputOrder) {
  std::vector<FileFinding> input(3, finding("/same", FindingConfidence::review, 50, 1));
  for (auto& f : input) f.id = Uuid::random();  // equal but for their ids, so the order is checked
  for (Key key : kAllFindingSortKeys) {
    for (Dir dir : kAllFindingSortDirections) {
      SCOPED_TRACE(std::string(stringValue(key)) + " " + std::string(stringValue(dir)));
      EXPECT_EQ(FindingArranger::arrange(input, key, dir), input);
    }
  }
  EXPECT_TRUE(FindingArranger::arrange({}, Key::name, Dir::ascending).empty());
}

}  // namespace
}  // namespace corvane
