// The Trash folders of a user and the lexical checks made before anything inside them is touched.

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "corvane/removal/trash_locator.h"
#include "corvane/removal/trash_safety.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
using testing::TemporaryFolder;

TEST(TrashSafetyTest, NormalizesAndChecksContainmentLexically) {
  const std::vector<std::pair<std::string, std::optional<std::string>>> normalized{
      {"/a/./b/../c", "/a/c"}, {"/..", "/"}, {"/", "/"}, {"//a//b/", "/a/b"},
      {"/a/../../b", "/b"},    {"a/b", std::nullopt}, {"", std::nullopt}, {"./a", std::nullopt}};
  for (const auto& [in, out] : normalized) {
    SCOPED_TRACE(in);
    EXPECT_EQ(TrashSafety::lexicalNormalize(in), out);
  }
  const std::vector<std::string> roots{"/Users/u/.Trash", "/Volumes/D/.Trashes/501/"};
  const std::vector<std::pair<std::string, bool>> inside{
      {"/Users/u/.Trash/x", true},         {"/Users/u/.Trash/x/y", true},
      {"/Users/u/.Trash//./x", true},      {"/Volumes/D/.Trashes/501/f", true},
      {"/Users/u/.Trash", false},          {"/Users/u/.Trash/", false},
      {"/Users/u/.Trash/.", false},        {"/Users/u/.Trash/../x", false},
      {"/Users/u/.Trash/a/../b", false},   {"/Users/u/.TrashOther/x", false},
      {"Users/u/.Trash/x", false},         {"/Users/u/.Trash/..", false},
      {"/Volumes/D/.Trashes/5010", false}, {"/Volumes/D/.Trashes/x", false}};
  for (const auto& [path, expected] : inside) {
    SCOPED_TRACE(path);
    EXPECT_EQ(TrashSafety::isInsideAnyTrash(path, roots), expected);
  }
  // Roots that cannot be trusted contain nothing.
  for (const std::string root : {"/", "/a/../b", "relative", "/."}) {
    SCOPED_TRACE(root);
    EXPECT_FALSE(TrashSafety::isInsideAnyTrash("/b/x", {root}));
  }
  EXPECT_TRUE(TrashSafety::hasDotDotComponent("/a/../b"));
  EXPECT_FALSE(TrashSafety::hasDotDotComponent("/a/..b/c.."));
}

class TrashLocatorTest : public ::testing::Test {
 protected:
  TemporaryFolder tmp{"locator"};
  SampleMac mac{tmp.path()};
  unsigned uid = ::getuid();
  Layout layout = Layout::at(mac.root(), mac.home(), uid);
  std::string volume(const std::string& name) { return SampleMac::makeFolder(mac.system("/Volumes/" + name)); }
  std::string volumeTrash(const std::string& name) {
    return SampleMac::makeFolder(volume(name) + "/.Trashes/" + std::to_string(uid));
  }
};

TEST_F(TrashLocatorTest, HomeTrashFirstThenOnlyTheUsersOwnVolumeTrashes) {
  const std::string good = volumeTrash("Good");
  const std::string other = volumeTrash("Other");
  ASSERT_EQ(::chown(other.c_str(), uid + 1, 0), 0);
  fs::create_directories(volume("Linked") + "/.Trashes");
  fs::create_directory_symlink(good, mac.system("/Volumes/Linked/.Trashes/" + std::to_string(uid)));
  SampleMac::writeFile(volume("File") + "/.Trashes/" + std::to_string(uid));
  volume("Bare");
  const std::vector<std::string> mounts{mac.system("/Volumes/Bare"), mac.system("/Volumes/Linked"),
                                        mac.system("/Volumes/Other"), mac.system("/Volumes/File"),
                                        mac.system("/Volumes/Good")};
  SampleMac::makeFolder(mac.user(".Trash"));
  const std::string homeTrash = fs::canonical(mac.user(".Trash")).string();
  const TrashLocator locator(layout, [&] { return mounts; });
  const std::vector<TrashLocator::Root> expected{{homeTrash, "/", true},
                                                 {good, mac.system("/Volumes/Good"), false}};
  EXPECT_EQ(locator.discoverRoots(), expected);
  EXPECT_EQ(locator.discoverTrashRoots(), (std::vector<std::string>{homeTrash, good}));
  EXPECT_EQ(TrashLocator::root(good + "/item/x", expected), expected[1]);
  EXPECT_EQ(TrashLocator::root(good, expected), std::nullopt);
  EXPECT_EQ(TrashLocator::root(homeTrash + "/../x", expected), std::nullopt);
  // The default asks discovery, which sees the folders under the layout's Volumes folder.
  EXPECT_EQ(TrashLocator(layout).discoverRoots(), expected);
}

TEST_F(TrashLocatorTest, NoHomeTrashMeansNoRootsAtAll) {
  volumeTrash("Good");
  fs::remove_all(mac.user(".Trash"));
  EXPECT_TRUE(TrashLocator(layout, [&] { return std::vector<std::string>{mac.system("/Volumes/Good")}; })
                  .discoverRoots()
                  .empty());
  EXPECT_EQ(TrashLocator::resolvedRealPath(mac.user(".Trash")), std::nullopt);
  EXPECT_EQ(TrashLocator::resolvedRealPath(mac.home() + "/./Library/.."), fs::canonical(mac.home()).string());
}

}  // namespace
}  // namespace corvane
