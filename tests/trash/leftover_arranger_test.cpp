#include "corvane/trash/leftover_arranger.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Paths = std::vector<std::string>;
constexpr auto kAsc = LeftoverSortDirection::ascending;
constexpr auto kDesc = LeftoverSortDirection::descending;

LeftoverRow row(std::string name, std::optional<std::int64_t> size, std::optional<int> day = std::nullopt,
                std::string kind = "Other", std::optional<std::string> origin = std::nullopt) {
  LeftoverRow r;
  r.id = r.path = "/T/" + name;
  r.name = std::move(name);
  r.sizeBytes = size;
  if (day) r.dateTrashed = Date(std::chrono::sys_days(std::chrono::year{2026} / 1 / *day));
  r.kindLabel = std::move(kind);
  r.originalLocation = std::move(origin);
  return r;
}

Paths namesOf(const std::vector<LeftoverRow>& rows) {
  Paths names;
  for (const auto& r : rows) names.push_back(r.name);
  return names;
}

const std::vector<LeftoverRow> kRows{
    row("file10", 500, 3, "Document", "/Users/u/Documents"),
    row("File2", std::nullopt, std::nullopt, "Folder"),
    row("big.dmg", 9000, 1, "Installer", "/Users/u/Downloads"),
    row("alpha", 500, 3, "Archive"),
    row("zeta", std::nullopt, 2, "Document"),
};

TEST(LeftoverArranger, SortsByEachKeyWithMissingValuesLast) {
  struct Case {
    LeftoverSortKey key;
    LeftoverSortDirection direction;
    Paths names;
  } cases[] = {
      {LeftoverSortKey::size, kDesc, {"big.dmg", "alpha", "file10", "File2", "zeta"}},
      {LeftoverSortKey::size, kAsc, {"alpha", "file10", "big.dmg", "File2", "zeta"}},
      {LeftoverSortKey::name, kAsc, {"alpha", "big.dmg", "File2", "file10", "zeta"}},
      {LeftoverSortKey::name, kDesc, {"zeta", "file10", "File2", "big.dmg", "alpha"}},
      {LeftoverSortKey::dateTrashed, kDesc, {"alpha", "file10", "zeta", "big.dmg", "File2"}},
      {LeftoverSortKey::dateTrashed, kAsc, {"big.dmg", "zeta", "alpha", "file10", "File2"}},
      {LeftoverSortKey::kind, kAsc, {"alpha", "file10", "zeta", "File2", "big.dmg"}},
      {LeftoverSortKey::kind, kDesc, {"big.dmg", "File2", "file10", "zeta", "alpha"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(leftoverSort::rawValue(c.key) + " " + leftoverSort::rawValue(c.direction));
    EXPECT_EQ(namesOf(LeftoverArranger::arrange(kRows, "", c.key, c.direction)), c.names);
  }
  EXPECT_EQ(LeftoverArranger::arrange(kRows, "", LeftoverSortKey::size),
            LeftoverArranger::arrange(kRows, "", LeftoverSortKey::size, kDesc));
}

TEST(LeftoverArranger, SearchesNamesAndOriginalLocations) {
  struct Case {
    const char* search;
    Paths names;
  } cases[] = {
      {"  FILE\n", {"file10", "File2"}},
      {"downloads", {"big.dmg"}},
      {"/users/u/", {"big.dmg", "file10"}},
      {"", {"big.dmg", "alpha", "file10", "File2", "zeta"}},
      {"nothing", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.search);
    EXPECT_EQ(namesOf(LeftoverArranger::arrange(kRows, c.search, LeftoverSortKey::size)), c.names);
  }
}

TEST(SelectionMath, RangesBetweenAnchorAndTarget) {
  const auto arranged = LeftoverArranger::arrange(kRows, "", LeftoverSortKey::name, kAsc);
  struct Case {
    std::optional<std::string> anchor;
    std::string target;
    Paths paths;
  } cases[] = {
      {"/T/file10", "/T/big.dmg", {"/T/big.dmg", "/T/File2", "/T/file10"}},
      {"/T/big.dmg", "/T/file10", {"/T/big.dmg", "/T/File2", "/T/file10"}},
      {"/T/zeta", "/T/zeta", {"/T/zeta"}},
      {"/T/gone", "/T/alpha", {"/T/alpha"}},
      {std::nullopt, "/T/alpha", {"/T/alpha"}},
      {"/T/alpha", "/T/gone", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    EXPECT_EQ(SelectionMath::rangePaths(arranged, c.anchor, c.target), c.paths);
  }
  EXPECT_EQ(SelectionMath::pruned({"/T/a", "/T/b", "/T/c"}, {"/T/b", "/T/c", "/T/d"}),
            (std::set<std::string>{"/T/b", "/T/c"}));
}

}  // namespace
}  // namespace corvane
