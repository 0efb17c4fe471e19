#include "corvane/trash/triage.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Reasons = std::vector<std::string>;
const Calendar kUTC = Calendar::inZone("UTC");
const Date kNow = Date(std::chrono::sys_days(std::chrono::year{2026} / 12 / 5)) + std::chrono::hours(15);

Date daysAgo(int days) { return kNow - std::chrono::hours(24 * days); }

TEST(Categorizer, KindsFromNamesExtensionsAndFolderNames) {
  struct Case {
    const char* name;
    bool isDirectory, isSymlink;
    TrashCategory expected;
  } cases[] = {
      {"Tool.app", true, false, TrashCategory::application},
      {"Tool.APP", false, true, TrashCategory::symlink},
      {"node_modules", true, false, TrashCategory::developer},
      {"node_modules", false, false, TrashCategory::other},
      {".build", true, false, TrashCategory::developer},
      {"main.o", false, false, TrashCategory::developer},
      {"Screen Shot 2024.PNG", false, false, TrashCategory::screenshot},
      {"Screen Shot.mov", false, false, TrashCategory::video},
      {"Setup.dmg", false, false, TrashCategory::installer},
      {"logs.tar.gz", false, false, TrashCategory::archive},
      {"Photo.heic", false, false, TrashCategory::image},
      {"Report.pdf", false, false, TrashCategory::document},
      {"Projects", true, false, TrashCategory::folder},
      {".png", false, false, TrashCategory::other},
      {"README", false, false, TrashCategory::other},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Categorizer::categorize(c.name, c.isDirectory, c.isSymlink), c.expected);
  }
}

TEST(ConfidenceScorer, LanesFromKindOriginAndAge) {
  struct Case {
    TrashCategory category;
    std::optional<std::string> origin;
    std::optional<Date> trashed;
    TriageLane lane;
    int score;
    Reasons reasons;
  } cases[] = {
      {TrashCategory::installer, "/Users/u/Downloads", daysAgo(40), TriageLane::safeToPurge, 100,
       {"Regenerable installer", "Trashed over a month ago"}},
      {TrashCategory::screenshot, "/Users/u/Desktop", kNow - std::chrono::hours(14), TriageLane::likelyWanted, 35,
       {"Screenshot", "From Desktop", "Trashed today"}},
      {TrashCategory::screenshot, std::nullopt, daysAgo(3), TriageLane::safeToPurge, 75, {"Screenshot"}},
      {TrashCategory::screenshot, "/Users/u/Pictures/Shots", daysAgo(3), TriageLane::review, 55,
       {"Screenshot", "From Pictures"}},
      {TrashCategory::document, "/Users/u/DesktopOld", daysAgo(31), TriageLane::review, 50,
       {"Personal document", "Trashed over a month ago"}},
      {TrashCategory::folder, std::nullopt, std::nullopt, TriageLane::review, 50, {}},
      {TrashCategory::application, std::nullopt, daysAgo(1), TriageLane::likelyWanted, 25,
       {"Application", "Trashed yesterday"}},
      // One point below the purge lane.
      {TrashCategory::application, std::nullopt, daysAgo(30), TriageLane::review, 65,
       {"Application", "Trashed over a month ago"}},
      // 0.8 - 0.2 - 0.2 lands exactly on the boundary of the wanted lane.
      {TrashCategory::archive, "/Users/u/", daysAgo(0), TriageLane::likelyWanted, 40,
       {"Regenerable archive", "From your Home folder", "Trashed today"}},
      {TrashCategory::developer, "/Users/u/Documents/app", daysAgo(5), TriageLane::review, 60,
       {"Developer build output", "From Documents"}},
      {TrashCategory::audio, "/Users/u/Music/Loops/", daysAgo(-3), TriageLane::likelyWanted, -10,
       {"Personal audio", "From Music", "Trashed today"}},
      {TrashCategory::image, "/Users/other/Pictures", daysAgo(8), TriageLane::likelyWanted, 30, {"Personal image"}},
      {TrashCategory::symlink, std::nullopt, daysAgo(30), TriageLane::safeToPurge, 70, {"Trashed over a month ago"}},
      {TrashCategory::symlink, std::nullopt, daysAgo(29), TriageLane::review, 50, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(triage::kindLabel(c.category)) + " " + std::to_string(c.score));
    auto result = ConfidenceScorer::triage(c.category, c.origin, "/Users/u", c.trashed, kNow, kUTC);
    EXPECT_EQ(result.lane, c.lane);
    EXPECT_EQ(result.score, c.score);
    EXPECT_EQ(result.reasons, c.reasons);
  }
}

TEST(LeftoverRow, SizeAndDateTexts) {
  struct Case {
    std::optional<std::int64_t> bytes;
    const char* text;
  } sizes[] = {{std::nullopt, "—"}, {0, "Zero KB"},          {1, "1 byte"},         {999, "999 bytes"},
               {1499, "1 KB"},      {999'499, "999 KB"},     {999'500, "1.0 MB"},   {1'260'000, "1.3 MB"},
               {3'000'000'000, "3.0 GB"}, {-2000, "-2 KB"}};
  for (const auto& c : sizes) {
    LeftoverRow row;
    row.sizeBytes = c.bytes;
    EXPECT_EQ(row.sizeText(), c.text);
  }
  LeftoverRow row;
  EXPECT_EQ(row.dateText(kNow, kUTC), "Date unknown");
  EXPECT_EQ(row.dateTooltip(kUTC), std::nullopt);
  row.dateTrashed = daysAgo(14);
  EXPECT_EQ(row.dateText(kNow, kUTC), "Trashed 2 weeks ago");
  EXPECT_EQ(row.dateTooltip(kUTC), "Moved to the Trash on 2026-11-21 15:00");
  row.dateTrashed = kNow;
  EXPECT_EQ(row.dateText(kNow, kUTC), "Trashed today");
}

}  // namespace
}  // namespace corvane
