#include "corvane/finding_arranger.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Key = FindingSortKey;
using Dir = FindingSortDirection;

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

std::vector<std::string> paths(const std::vector<FileFinding>& findings) {
  std::vector<std::string> out;
  for (const auto& f : findings) out.push_back(f.url.path());
  return out;
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
  EXPECT_FALSE(findingSortDirectionFromString("asc").has_value());
  EXPECT_EQ(flipped(Dir::ascending), Dir::descending);
  EXPECT_EQ(flipped(Dir::descending), Dir::ascending);
  EXPECT_EQ(stringValue(Dir::descending), "descending");
}

TEST(FindingArrangerTest, RecommendedOrdersByTierThenScoreThenPathAscending) {
  using C = FindingConfidence;
  std::vector<FileFinding> input = {
      finding("/b", C::review, 40),         finding("/inuse", C::inUse, 90), finding("/safe", C::safeToRemove, 82),
      finding("/a", C::review, 40),         finding("/leftover", C::probablyLeftover, 60),
      finding("/c", C::review, 45),
  };
  EXPECT_EQ(paths(FindingArranger::arrange(input, Key::recommended, Dir::descending)),
            (std::vector<std::string>{"/safe", "/leftover", "/c", "/a", "/b", "/inuse"}));
  EXPECT_EQ(paths(FindingArranger::arrange(input, Key::recommended, Dir::ascending)),
            (std::vector<std::string>{"/inuse", "/a", "/b", "/c", "/leftover", "/safe"}));
}

TEST(FindingArrangerTest, AnalyzerOrderIsTheRecommendedOrderDescending) {
  using C = FindingConfidence;
  std::vector<FileFinding> sorted = {finding("/x/app", C::safeToRemove, 100), finding("/x/cache", C::safeToRemove, 82),
                                     finding("/x/a", C::probablyLeftover, 67), finding("/x/b", C::probablyLeftover, 67),
                                     finding("/x/log", C::review, 30)};
  EXPECT_EQ(FindingArranger::arrange(sorted, Key::recommended, Dir::descending), sorted);
}

TEST(FindingArrangerTest, NamesCompareIgnoringCaseAndTiesGoByPath) {
  std::vector<FileFinding> input = {finding("/z/cherry"), finding("/y/Banana"), finding("/x/apple"),
                                    finding("/b/Same"), finding("/a/same")};
  EXPECT_EQ(paths(FindingArranger::arrange(input, Key::name, Dir::ascending)),
            (std::vector<std::string>{"/x/apple", "/y/Banana", "/z/cherry", "/a/same", "/b/Same"}));
  EXPECT_EQ(paths(FindingArranger::arrange(input, Key::name, Dir::descending)),
            (std::vector<std::string>{"/a/same", "/b/Same", "/z/cherry", "/y/Banana", "/x/apple"}));
}

TEST(FindingArrangerTest, SizesAbsentGoLastInBothDirections) {
  auto r = FindingConfidence::review;
  std::vector<FileFinding> input = {finding("/none-b", r, 0), finding("/small", r, 0, 10), finding("/none-a", r, 0),
                                    finding("/big", r, 0, 5000), finding("/q/Equal", r, 0, 300),
                                    finding("/p/equal", r, 0, 300), finding("/a/equal", r, 0, 300)};
  EXPECT_EQ(paths(FindingArranger::arrange(input, Key::size, Dir::descending)),
            (std::vector<std::string>{"/big", "/a/equal", "/p/equal", "/q/Equal", "/small", "/none-a", "/none-b"}));
  EXPECT_EQ(paths(FindingArranger::arrange(input, Key::size, Dir::ascending)),
            (std::vector<std::string>{"/small", "/a/equal", "/p/equal", "/q/Equal", "/big", "/none-a", "/none-b"}));
}

TEST(FindingArrangerTest, DatesAbsentGoLastInBothDirections) {
  auto r = FindingConfidence::review;
  std::vector<FileFinding> input = {finding("/undated", r, 0), finding("/old", r, 0, std::nullopt, 100),
                                    finding("/new", r, 0, std::nullopt, 19000), finding("/Twin", r, 0, std::nullopt, 500),
                                    finding("/twin", r, 0, std::nullopt, 500)};
  EXPECT_EQ(paths(FindingArranger::arrange(input, Key::dateModified, Dir::descending)),
            (std::vector<std::string>{"/new", "/Twin", "/twin", "/old", "/undated"}));
  EXPECT_EQ(paths(FindingArranger::arrange(input, Key::dateModified, Dir::ascending)),
            (std::vector<std::string>{"/old", "/Twin", "/twin", "/new", "/undated"}));
}

TEST(FindingArrangerTest, EqualFindingsKeepTheirInputOrder) {
  std::vector<FileFinding> input = {finding("/same", FindingConfidence::review, 50, 1),
                                    finding("/same", FindingConfidence::review, 50, 1),
                                    finding("/same", FindingConfidence::review, 50, 1)};
  for (Key key : kAllFindingSortKeys) {
    for (Dir dir : kAllFindingSortDirections) {
      SCOPED_TRACE(std::string(stringValue(key)) + " " + std::string(stringValue(dir)));
      EXPECT_EQ(FindingArranger::arrange(input, key, dir), input);  // ids differ, so the order is checked
    }
  }
  EXPECT_TRUE(FindingArranger::arrange({}, Key::name, Dir::ascending).empty());
}

}  // namespace
}  // namespace corvane
