#include "corvane/trash/leftovers_scanner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "sample_mac/sample_mac.h"

namespace corvane {

namespace {

using testing::SampleMac;
using testing::TemporaryFolder;
struct Record {
  std::string filename, code, value;
};

// A .DS_Store of one leaf node holding "ustr" records: header, the DSDB block at 32, the leaf at 64 and the
// block table after it (block positions count from byte 4).
std::string dsStore(const std::vector<Record>& records) {
  std::string bytes;
  auto u32 = [&](std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>((v >> shift) & 0xFF));
  };
  auto utf16 = [&](const std::string& ascii) {
    u32(static_cast<std::uint32_t>(ascii.size()));
    for (char c : ascii) bytes += std::string{'\0', c};
  };
  auto padTo = [&](std::size_t rel) { bytes.resize(rel + 4, '\0'); };
  u32(1);
  bytes += "Bud1";
  padTo(32);
  for (std::uint32_t v : {1u, 0u, static_cast<std::uint32_t>(records.size()), 1u, 4096u}) u32(v);
  padTo(64);
  u32(0);
  u32(static_cast<std::uint32_t>(records.size()));
  for (const auto& r : records) {
    utf16(r.filename);
    bytes += r.code + "ustr";
    utf16(r.value);
  }
  const auto info = static_cast<std::uint32_t>(bytes.size() - 4);
  for (std::uint32_t v : {2u, 0u, 32u | 5u, 64u | 10u}) u32(v);
  bytes.resize(bytes.size() + 254 * 4, '\0');
  u32(1);
  bytes += std::string{'\4'} + "DSDB";
  u32(0);
  for (int at : {8, 16}) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((info >> (24 - 8 * i)) & 0xFF);
  }
  return bytes;
}

TEST(LeftoversScanner, RowsOfTheHomeAndAVolumeTrash) {
  TemporaryFolder tmp{"leftovers"};
  const std::string root = tmp.path() + "/root", home = root + "/Users/u", trash = home + "/.Trash";
  const std::string volume = tmp.path() + "/Vol", volumeTrash = volume + "/.Trashes/501";
  SampleMac::writeFile(trash + "/Setup.dmg", std::string(100'000, 'd'));
  SampleMac::writeFile(trash + "/Old/notes.txt", std::string(50'000, 'n'));
  SampleMac::writeFile(trash + "/Screen Shot 1.png", std::string(20'000, 's'));
  SampleMac::writeFile(trash + "/inner", "i");
  std::filesystem::create_symlink("/nowhere", trash + "/link");
  SampleMac::writeFile(trash + "/.DS_Store",
                       dsStore({{"Setup.dmg", "ptbL", "Users/u/Downloads/"},
                                {"Screen Shot 1.png", "ptbL", "System/Volumes/Data/Users/u/Desktop/"},
                                {"Screen Shot 1.png", "ptbN", "Screen Shot.png"},
                                {"inner", "ptbL", "Users/u/.Trash/sub/"}}));
  SampleMac::writeFile(volumeTrash + "/Old", "v");
  SampleMac::writeFile(volumeTrash + "/.DS_Store", dsStore({{"Old", "ptbL", "Projects/"}}));
  for (const char* name : {"Setup.dmg", "Old", "inner", "link"})
    ASSERT_EQ(lchown((trash + "/" + name).c_str(), 501, 501), 0);

  std::map<std::string, TrashItem> items;
  std::optional<Date> latest;
  for (const auto& folder : {trash, volumeTrash}) {
    for (const auto& item : TrashScanner::scan(folder).items) {
      items[item.path] = item;
      latest = std::max(latest, item.dateTrashed);
    }
  }
  ASSERT_EQ(items.size(), 6u);
  const Layout layout = Layout::at(root, home, 501);
  LeftoversScanner scanner(
      layout, {.roots =
                   [&] {
                     return std::vector<TrashLocator::Root>{{trash, "/", true}, {volumeTrash, volume, false}};
                   },
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
  TrashItem item{"a", "/H/.Trash/a", false, false, 5, std::nullopt, false};
  struct Case {
    std::vector<Root> roots;
    std::vector<std::string> denied;
    LeftoversScanState::Kind expected;
    int rows;
  } cases[] = {
      {{}, {}, LeftoversScanState::Kind::accessDenied, 0},
      {{volume, home}, {}, LeftoversScanState::Kind::accessDenied, 0},
      {{home, volume}, {home.path}, LeftoversScanState::Kind::accessDenied, 0},
      {{home, volume}, {volume.path}, LeftoversScanState::Kind::scanned, 1},
      {{home, volume}, {}, LeftoversScanState::Kind::scanned, 2},
  };
  for (const auto& c : cases) {
    LeftoversScanner scanner(
        Layout::at("/", "/H"),
        {.roots = [&] { return c.roots; },
         .scanFolder =
             [&](const std::string& folder) {
               bool denied = std::count(c.denied.begin(), c.denied.end(), folder) > 0;
               TrashItem one = item;
               one.path = folder + "/a";
               return TrashScanner::TrashScanResult{denied ? std::vector<TrashItem>{} : std::vector{one}, denied};
             },
         .ownerOf = [](const std::string&) { return std::optional<unsigned>(0); }});
    auto state = scanner.scan({});
    EXPECT_EQ(state.kind, c.expected);
    EXPECT_EQ(state.result.totalTrashItems(), c.rows);
  }
}

}  // namespace
}  // namespace corvane
