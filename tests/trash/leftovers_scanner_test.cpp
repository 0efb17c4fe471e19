#include "corvane/trash/leftovers_scanner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "sample_mac/ds_store_writer.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::SampleMac;
using testing::TemporaryFolder;

TEST(LeftoversScanner, RowsOfTheHomeAndAVolumeTrash) {
  TemporaryFolder tmp{"leftovers"};
  const std::string root = tmp.path() + "/root", home = root + "/Users/u", trash = home + "/.Trash";
  const std::string volume = root + "/Volumes/Vol", volumeTrash = volume + "/.Trashes/501";
  SampleMac::writeFile(trash + "/Setup.dmg", std::string(100'000, 'd'));
  SampleMac::writeFile(trash + "/Old/notes.txt", std::string(50'000, 'n'));
  SampleMac::writeFile(trash + "/Screen Shot 1.png", std::string(20'000, 's'));
  SampleMac::writeFile(trash + "/inner", "i");
  SampleMac::writeFile(trash + "/GeoServices/tiles.db", std::string(30'000, 'g'));  // the system's own
  std::filesystem::create_symlink("/nowhere", trash + "/link");
  testing::writeTrashDSStore(trash, {{"Setup.dmg", "Users/u/Downloads/", std::nullopt},
                                     {"Screen Shot 1.png", "System/Volumes/Data/Users/u/Desktop/", "Screen Shot.png"},
                                     {"inner", "Users/u/.Trash/sub/", std::nullopt},
                                     {"GeoServices", "Users/u/Library/Caches/", std::nullopt}});
  SampleMac::writeFile(volumeTrash + "/Old", "v");
  testing::writeTrashDSStore(volumeTrash, {{"Old", "Projects/", std::nullopt}});
  for (const char* name : {"Setup.dmg", "Old", "inner", "link", "GeoServices"})
    ASSERT_EQ(lchown((trash + "/" + name).c_str(), 501, 501), 0);

  std::map<std::string, TrashItem> items;
  std::optional<Date> latest;
  for (const auto& folder : {trash, volumeTrash}) {
    for (const auto& item : TrashScanner().scan(folder).items) {
      items[item.path] = item;
      latest = std::max(latest, item.dateTrashed);
    }
  }
  ASSERT_EQ(items.size(), 7u);
  const Layout layout = Layout::at(root, home, 501);
  ASSERT_EQ(lchown(volumeTrash.c_str(), 501, 501), 0);  // a volume's Trash folder must be the user's
  // The layout's own Trash folders: the home one and the volume's.
  LeftoversScanner scanner(layout, {.roots = {}, .scanFolder = {}, .ownerOf = {},
                                    .now = [&] { return *latest + std::chrono::days(40); },
                                    .calendar = Calendar::inZone("UTC")});
  const std::string old = " over a month ago";
  auto row = [&](std::string path, TrashCategory kind, std::optional<std::string> origin, bool rootOwned,
                 TriageLane lane, std::vector<std::string> reasons) {
    const TrashItem& item = items.at(path);
    return LeftoverRow{path,
                       item.name,
                       path,
                       triage::kindSymbol(kind),
                       triage::kindLabel(kind),
                       item.sizeBytes,
                       item.isDirectory,
                       item.dateTrashed,
                       std::move(origin),
                       rootOwned,
                       lane,
                       std::move(reasons)};
  };
  const auto state = scanner.scan({{"Old", {home + "/Documents/Old", *items.at(trash + "/Old").dateTrashed}}});
  ASSERT_EQ(state.kind, LeftoversScanState::Kind::scanned);
  const std::vector<LeftoverRow> expected{
      row(trash + "/Setup.dmg", TrashCategory::installer, home + "/Downloads", false, TriageLane::safeToPurge,
          {"Regenerable installer", "Trashed" + old}),
      row(trash + "/Old", TrashCategory::folder, home + "/Documents", false, TriageLane::review,
          {"From Documents", "Trashed" + old}),
      row(trash + "/GeoServices", TrashCategory::folder, home + "/Library/Caches", false, TriageLane::likelyWanted,
          {"macOS's own data", "Trashed" + old}),
      row(trash + "/Screen Shot 1.png", TrashCategory::screenshot, home + "/Desktop", true, TriageLane::safeToPurge,
          {"Screenshot", "From Desktop", "Trashed" + old}),
      row(trash + "/inner", TrashCategory::other, std::nullopt, false, TriageLane::safeToPurge, {"Trashed" + old}),
      row(volumeTrash + "/Old", TrashCategory::other, volume + "/Projects", true, TriageLane::safeToPurge,
          {"Trashed" + old}),
      row(trash + "/link", TrashCategory::symlink, std::nullopt, false, TriageLane::safeToPurge, {"Trashed" + old}),
  };
  ASSERT_EQ(state.result.rows.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].path);
    EXPECT_EQ(state.result.rows[i], expected[i]);
  }
}

TEST(LeftoversScanner, AccessDeniedOnlyForTheHomeTrash) {
  using Root = TrashLocator::Root;
  const Root home{"/H/.Trash", "/", true}, volume{"/V/.Trashes/501", "/V", false};
  struct Case {
    std::vector<Root> roots;
    std::string denied;
    LeftoversScanState::Kind expected;
    int rows;
  } cases[] = {
      {{}, "", LeftoversScanState::Kind::accessDenied, 0},
      {{volume, home}, "", LeftoversScanState::Kind::accessDenied, 0},
      {{home, volume}, home.path, LeftoversScanState::Kind::accessDenied, 0},
      {{home, volume}, volume.path, LeftoversScanState::Kind::scanned, 1},
      {{home, volume}, "", LeftoversScanState::Kind::scanned, 2},
  };
  for (const auto& c : cases) {
    auto scanFolder = [&](const std::string& folder) {
      if (folder == c.denied) return TrashScanner::TrashScanResult{{}, true};
      return TrashScanner::TrashScanResult{{{"a", folder + "/a", false, false, 5, std::nullopt, false}}, false};
    };
    auto state = LeftoversScanner(Layout::at("/", "/H"), {.roots = [&] { return c.roots; }, .scanFolder = scanFolder, .ownerOf = {}, .now = {}, .calendar = {}})
                     .scan({});
    EXPECT_EQ(state.kind, c.expected);
    EXPECT_EQ(state.result.totalTrashItems(), c.rows);
  }
}

}  // namespace
}  // namespace corvane
