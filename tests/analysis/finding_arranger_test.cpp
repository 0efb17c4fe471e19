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
