#include "platform/fs_ops.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "sample_mac/sample_mac.h"

namespace corvane::platform {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
using testing::TemporaryFolder;

TEST(FsOpsTest, SplitsAbsolutePathsIntoParentAndName) {
  auto split = splitPath("/a/b/");
  ASSERT_TRUE(split.has_value());
  EXPECT_EQ(split->parent, "/a");
  EXPECT_EQ(split->name, "b");
  split = splitPath("//top");
  ASSERT_TRUE(split.has_value());
  EXPECT_EQ(split->parent, "/");
  EXPECT_EQ(split->name, "top");
  for (const char* refused : {"", "/", "///", "relative/x", "/a/..", "/a/."}) {
    SCOPED_TRACE(refused);
    EXPECT_FALSE(splitPath(refused).has_value());
  }
}

TEST(FsOpsTest, ExclusiveRenameNeverReplacesAndMovesLinksThemselves) {
  TemporaryFolder tmp;
  std::string a = SampleMac::writeFile(tmp.path() + "/a", "a");
  std::string b = SampleMac::writeFile(tmp.path() + "/dest/b", "b");
  auto taken = renameExclusive(a, b);
  ASSERT_FALSE(taken.has_value());
  EXPECT_EQ(taken.error().code, EEXIST);
  EXPECT_EQ(SampleMac::readFile(a), "a");
  EXPECT_EQ(SampleMac::readFile(b), "b");

  fs::create_symlink(a, tmp.path() + "/link");
  ASSERT_TRUE(renameExclusive(tmp.path() + "/link", tmp.path() + "/dest/link").has_value());
  EXPECT_EQ(fs::read_symlink(tmp.path() + "/dest/link"), a);
  EXPECT_EQ(SampleMac::readFile(a), "a");

  EXPECT_EQ(renameExclusive(tmp.path() + "/missing", tmp.path() + "/dest/m").error().code, ENOENT);
  EXPECT_EQ(renameExclusive("/", tmp.path() + "/dest/root").error().code, EINVAL);
}

TEST(FsOpsTest, ExclusiveRenameRefusesADestinationFolderThatIsALink) {
  TemporaryFolder tmp;
  std::string real = SampleMac::makeFolder(tmp.path() + "/real");
  fs::create_symlink(real, tmp.path() + "/linked");
  std::string item = SampleMac::writeFile(tmp.path() + "/item", "x");
  auto moved = renameExclusive(item, tmp.path() + "/linked/item");
  ASSERT_FALSE(moved.has_value());
  EXPECT_EQ(moved.error().code, ELOOP);
  EXPECT_TRUE(fs::is_empty(real));
  EXPECT_EQ(SampleMac::readFile(item), "x");
  // A link on the way to the source folder is an ordinary path and is followed.
  std::string inside = SampleMac::writeFile(real + "/inner", "y");
  ASSERT_TRUE(renameExclusive(tmp.path() + "/linked/inner", tmp.path() + "/inner").has_value());
  EXPECT_EQ(SampleMac::readFile(tmp.path() + "/inner"), "y");
  EXPECT_FALSE(fs::exists(inside));
}

}  // namespace
}  // namespace corvane::platform
