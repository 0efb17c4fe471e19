#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "corvane/trash_moving.h"
#include "corvane/trash_service.h"
#include "platform/file_status.h"
#include "platform/trash.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
using testing::TemporaryFolder;

// Moves on a sample home folder: a sample layout always gets the renaming move into its own Trash, on
// macOS too, so nothing here reaches the real Trash.
class FileManagerTrashMoverTest : public ::testing::Test {
 protected:
  TemporaryFolder tmp;
  SampleMac mac{tmp.path()};
  Layout layout = Layout::at(mac.root(), mac.home());
  std::string trash = mac.user(".Trash");
  FileManagerTrashMover mover{layout};

  Result<std::optional<Url>> move(const std::string& path) { return mover.moveToTrash(Url::fileURL(path)); }
};

TEST_F(FileManagerTrashMoverTest, OnlyTheLiveSystemUsesTheSystemsOwnTrash) {
  const std::string realHome = Layout::system().home;
  EXPECT_EQ(FileManagerTrashMover::usesSystemTrash(Layout::system()), platform::systemChoosesTrashFolder());
  EXPECT_EQ(FileManagerTrashMover::usesSystemTrash(Layout::at("/", realHome + "/")),
            platform::systemChoosesTrashFolder());
  for (const Layout& sample : {layout, Layout::at("/", mac.home()), Layout::at(mac.root(), realHome)}) {
    SCOPED_TRACE(sample.root + " " + sample.home);
    EXPECT_FALSE(FileManagerTrashMover::usesSystemTrash(sample));
  }
}

TEST_F(FileManagerTrashMoverTest, MovesIntoTheHomeTrashCreatingItPrivately) {
  fs::remove(trash);
  SampleMac::writeFile(mac.user("Library/Caches/com.example.app/data"), "cached");
  auto moved = move(mac.user("Library/Caches/com.example.app"));
  ASSERT_TRUE(moved.has_value()) << moved.error().describe();
  EXPECT_EQ(*moved, Url::fileURL(trash + "/com.example.app"));
  EXPECT_FALSE(fs::exists(mac.user("Library/Caches/com.example.app")));
  EXPECT_EQ(SampleMac::readFile(trash + "/com.example.app/data"), "cached");
  auto status = platform::linkStatus(trash);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(status->mode & 0777u, 0700u);
}

TEST_F(FileManagerTrashMoverTest, CollidingNamesGetTheNextFreeNameAndNothingIsReplaced) {
  SampleMac::writeFile(trash + "/Foo.app", "first");
  SampleMac::writeFile(trash + "/Foo 2.app", "second");
  SampleMac::writeFile(trash + "/README", "old readme");
  const char* expected[] = {"Foo 3.app", "Foo 4.app", "Foo 5.app"};
  for (int i = 0; i < 3; ++i) {
    std::string item = SampleMac::writeFile(mac.user("copy" + std::to_string(i) + "/Foo.app"), std::to_string(i));
    auto moved = move(item);
    ASSERT_TRUE(moved.has_value()) << moved.error().describe();
    EXPECT_EQ(*moved, Url::fileURL(trash + "/" + expected[i]));
    EXPECT_EQ(SampleMac::readFile(trash + "/" + expected[i]), std::to_string(i));
  }
  auto readme = move(SampleMac::writeFile(mac.user("README"), "new readme"));
  ASSERT_TRUE(readme.has_value());
  EXPECT_EQ(*readme, Url::fileURL(trash + "/README 2"));

  EXPECT_EQ(SampleMac::readFile(trash + "/Foo.app"), "first");
  EXPECT_EQ(SampleMac::readFile(trash + "/Foo 2.app"), "second");
  EXPECT_EQ(SampleMac::readFile(trash + "/README"), "old readme");
  EXPECT_EQ(SampleMac::entryNames(trash), (std::set<std::string>{"Foo.app", "Foo 2.app", "Foo 3.app", "Foo 4.app", "Foo 5.app",
                                                   "README", "README 2"}));
}

TEST_F(FileManagerTrashMoverTest, AnItemSwappedForALinkMovesTheLinkNeverItsTarget) {
  std::string target = SampleMac::writeFile(mac.user("Documents/precious.txt"), "keep me");
  SampleMac::makeFolder(mac.user("Documents/folder"));
  SampleMac::writeFile(mac.user("Documents/folder/inside"), "keep me too");
  std::string item = mac.user("Library/Caches/swapped");
  std::string folderItem = mac.user("Library/Caches/swapped-folder");
  // What was analysed as a plain file and folder became links just before the move.
  SampleMac::writeFile(item, "analysed");
  fs::remove(item);
  fs::create_symlink(target, item);
  fs::create_symlink(mac.user("Documents/folder"), folderItem);

  for (const auto& path : {item, folderItem}) {
    auto moved = move(path);
    ASSERT_TRUE(moved.has_value()) << moved.error().describe();
    std::string landed = (*moved)->path();
    EXPECT_TRUE(fs::is_symlink(landed));
    EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
  }
  EXPECT_EQ(fs::read_symlink(trash + "/swapped"), target);
  EXPECT_EQ(SampleMac::readFile(target), "keep me");
  EXPECT_EQ(SampleMac::readFile(mac.user("Documents/folder/inside")), "keep me too");
  EXPECT_EQ(SampleMac::entryNames(mac.user("Documents/folder")), std::set<std::string>{"inside"});
}

TEST_F(FileManagerTrashMoverTest, AVanishedItemFailsWithItsErrnoAndIsClassifiedMissing) {
  std::string gone = mac.user("Library/Caches/gone");
  auto moved = move(gone);
  ASSERT_FALSE(moved.has_value());
  EXPECT_EQ(moved.error().code, ENOENT);
  EXPECT_TRUE(SampleMac::entryNames(trash).empty());

  auto ops = TrashService::system(layout).moveToTrash({Url::fileURL(gone)});
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_FALSE(ops[0].succeeded);
  EXPECT_EQ(ops[0].failureReason, RemovalFailureReason::itemMissing);
  EXPECT_EQ(ops[0].errorDescription, "move to Trash " + gone + ": No such file or directory");
  EXPECT_TRUE(SampleMac::entryNames(trash).empty());
}

TEST_F(FileManagerTrashMoverTest, ATrashFolderThatIsALinkIsRefusedNotFollowed) {
  std::string elsewhere = SampleMac::makeFolder(tmp.path() + "/elsewhere");
  fs::remove(trash);
  fs::create_symlink(elsewhere, trash);
  std::string item = SampleMac::writeFile(mac.user("Library/Caches/c"), "c");

  auto moved = move(item);
  ASSERT_FALSE(moved.has_value());
  EXPECT_EQ(moved.error().code, ELOOP);
  EXPECT_EQ(moved.error().describe(),
            "move to Trash " + trash + ": The Trash folder is a symbolic link, so nothing is moved into it.");
  // The service's own fallback refuses the link too, so the item stays where it was.
  auto ops = TrashService::system(layout).moveToTrash({Url::fileURL(item)});
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_FALSE(ops[0].succeeded);
  EXPECT_EQ(ops[0].failureReason, RemovalFailureReason::other);
  EXPECT_EQ(SampleMac::readFile(item), "c");
  EXPECT_TRUE(SampleMac::entryNames(elsewhere).empty());

  // A dangling link is not followed into creating its target either.
  fs::remove(trash);
  fs::create_symlink(tmp.path() + "/nowhere", trash);
  moved = move(item);
  ASSERT_FALSE(moved.has_value());
  EXPECT_EQ(moved.error().code, ELOOP);
  EXPECT_FALSE(fs::exists(tmp.path() + "/nowhere"));
}

TEST_F(FileManagerTrashMoverTest, ATrashThatIsAFileOrAMissingHomeFailsWithItsErrno) {
  fs::remove(trash);
  SampleMac::writeFile(trash, "not a folder");
  std::string item = SampleMac::writeFile(mac.user("Library/Caches/c"), "c");
  auto moved = move(item);
  ASSERT_FALSE(moved.has_value());
  EXPECT_EQ(moved.error().code, ENOTDIR);

  FileManagerTrashMover homeless{Layout::at(mac.root(), tmp.path() + "/no-such-home")};
  moved = homeless.moveToTrash(Url::fileURL(item));
  ASSERT_FALSE(moved.has_value());
  EXPECT_EQ(moved.error().code, ENOENT);
  EXPECT_EQ(SampleMac::readFile(item), "c");
}

TEST_F(FileManagerTrashMoverTest, AnItemOnAnotherVolumeIsNeverCopied) {
  // /dev/shm is a separate memory file system on most Linux machines.
  std::error_code ec;
  fs::path other = fs::path("/dev/shm") / fs::path(tmp.path()).filename();
  auto otherStatus = platform::status("/dev/shm");
  auto ourStatus = platform::status(tmp.path());
  if (!otherStatus || !ourStatus || otherStatus->device == ourStatus->device)
    GTEST_SKIP() << "no second volume to move from";
  fs::create_directory(other, ec);
  if (ec) GTEST_SKIP() << "cannot write to /dev/shm";
  struct RemoveAfterwards {
    fs::path path;
    ~RemoveAfterwards() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } cleanup{other};
  std::string item = SampleMac::writeFile((other / "far.txt").string(), "far");

  auto moved = move(item);
  ASSERT_FALSE(moved.has_value());
  EXPECT_EQ(moved.error().code, EXDEV);
  EXPECT_EQ(SampleMac::readFile(item), "far");
  EXPECT_TRUE(SampleMac::entryNames(trash).empty());
}

TEST_F(FileManagerTrashMoverTest, TheSystemServiceMovesAListIntoTheLayoutTrash) {
  SampleMac::writeFile(trash + "/Tool.app", "old");
  SampleMac::writeFile(mac.system("/Applications/Tool.app/Contents/Info.plist"), "plist");
  std::string b = SampleMac::writeFile(mac.user("Library/Preferences/com.example.tool.plist"), "prefs");
  Url appURL = Url::fileURL(mac.system("/Applications/Tool.app"));
  Url prefsURL = Url::fileURL(b);

  auto ops = TrashService::system(layout).moveToTrash({prefsURL, appURL});
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_TRUE(ops[0].succeeded);
  EXPECT_EQ(ops[0].trashedURL, Url::fileURL(trash + "/com.example.tool.plist"));
  EXPECT_TRUE(ops[1].succeeded);
  EXPECT_EQ(ops[1].trashedURL, Url::fileURL(trash + "/Tool 2.app"));
  EXPECT_EQ(SampleMac::readFile(trash + "/Tool.app"), "old");
  EXPECT_EQ(SampleMac::readFile(trash + "/Tool 2.app/Contents/Info.plist"), "plist");
}

}  // namespace
}  // namespace corvane
