// Listing a Trash folder: what is listed, sizes on disk, dates, and folders that cannot be read or are
// too large to measure.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <unordered_set>

#include "corvane/trash/trash_scanner.h"
#include "corvane/platform/memory_file_system.h"
#include "platform/file_status.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;

std::int64_t allocated(const std::string& path) { return platform::linkStatus(path)->allocatedSize; }

TEST(TrashScannerTest, ListsEveryEntryButDSStoreWithSizesAndDates) {
  testing::TemporaryFolder tmp("scanner");
  const std::string trash = SampleMac::makeFolder(tmp.path() + "/.Trash");
  const Date before = date::now();
  SampleMac::writeFile(trash + "/.DS_Store", "Bud1");
  SampleMac::writeFile(trash + "/.hidden", std::string(100, 'h'));
  SampleMac::writeFile(tmp.path() + "/report.pdf", std::string(5000, 'r'));
  fs::rename(tmp.path() + "/report.pdf", trash + "/report.pdf");
  SampleMac::writeFile(trash + "/Old.app/Contents/Info.plist", std::string(9000, 'i'));
  SampleMac::writeFile(trash + "/Old.app/Contents/MacOS/Old", std::string(20000, 'x'));
  // A link with a long target takes a block of its own: a folder's size counts neither it nor its target.
  fs::create_symlink(tmp.path() + "/" + std::string(300, 'l'), trash + "/Old.app/Contents/up");
  fs::create_directory_symlink(tmp.path(), trash + "/folder link");
  const std::string app = trash + "/Old.app";
  std::int64_t appSize = 0;
  for (const char* inApp : {"", "/Contents", "/Contents/Info.plist", "/Contents/MacOS", "/Contents/MacOS/Old"})
    appSize += allocated(app + inApp);

  auto result = TrashScanner().scan(trash);
  EXPECT_FALSE(result.permissionDenied);
  std::sort(result.items.begin(), result.items.end(), [](auto& a, auto& b) { return a.name < b.name; });
  for (TrashItem& item : result.items) {  // the status-change time here: when it was moved in
    EXPECT_TRUE(item.dateTrashed >= before && item.dateTrashed <= date::now()) << item.name;
    item.dateTrashed.reset();
  }
  const std::vector<TrashItem> expected{
      {".hidden", trash + "/.hidden", false, false, allocated(trash + "/.hidden"), std::nullopt, false},
      {"Old.app", app, true, false, appSize, std::nullopt, false},
      {"folder link", trash + "/folder link", false, true, std::nullopt, std::nullopt, false},
      {"report.pdf", trash + "/report.pdf", false, false, 8192, std::nullopt, false},
  };
  EXPECT_EQ(result.items, expected);
  EXPECT_EQ(std::unordered_set<TrashItem>(expected.begin(), expected.end()).size(), 4u);
}

TEST(TrashScannerTest, UnreadableMissingAndTooLargeFolders) {
  auto mac = std::make_shared<platform::MemoryFileSystem>();
  mac->addFolder("/denied/.Trash");
  mac->denyListing("/denied/.Trash");
  for (int i = 0; i < 3; ++i) mac->addFile("/t/three/f" + std::to_string(i), std::string(5000, 'f'));
  mac->addFile("/t/four/a/b/c/d", "x");
  const TrashScanner scanner(mac, 3);
  EXPECT_EQ(scanner.scan("/denied/.Trash"), (TrashScanner::TrashScanResult{{}, true}));
  EXPECT_EQ(scanner.scan("/missing"), (TrashScanner::TrashScanResult{{}, false}));
  auto result = scanner.scan("/t");
  std::sort(result.items.begin(), result.items.end(), [](auto& a, auto& b) { return a.name < b.name; });
  ASSERT_EQ(result.items.size(), 2u);
  EXPECT_EQ(result.items[0].sizeBytes, std::nullopt);  // four entries below "four"
  EXPECT_EQ(result.items[1].sizeBytes, 3 * 8192 + mac->linkStatus("/t/three")->allocatedSize);
  EXPECT_TRUE(result.items[0].isDirectory);
}

}  // namespace
}  // namespace corvane
