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

TEST(TrashSafetyTest, NormalizesAndChecksContainmentLexically) {
  for (const auto& [in, out] : std::vector<std::pair<std::string, std::optional<std::string>>>{
           {"/a/./b/../c", "/a/c"}, {"/..", "/"}, {"//a//b/", "/a/b"}, {"/a/../../b", "/b"}, {"a/b", std::nullopt},
           {"", std::nullopt}})
    EXPECT_EQ(TrashSafety::lexicalNormalize(in), out) << in;
  const std::vector<std::string> roots{"/Users/u/.Trash", "/Volumes/D/.Trashes/501/", "/", "/x/../Users", "rel"};
  for (const auto& [path, inside] : std::vector<std::pair<std::string, bool>>{
           {"/Users/u/.Trash/x", true},       {"/Users/u/.Trash//./x/y", true}, {"/Volumes/D/.Trashes/501/f", true},
           {"/Users/u/.Trash", false},        {"/Users/u/.Trash/.", false},     {"/Users/u/.Trash/../x", false},
           {"/Users/u/.Trash/a/../b", false}, {"/Users/u/.TrashOther/x", false}, {"Users/u/.Trash/x", false},
           {"/Volumes/D/.Trashes/5010", false}, {"/Users/x", false},           {"/rel/x", false}})
    EXPECT_EQ(TrashSafety::isInsideAnyTrash(path, roots), inside) << path;
  EXPECT_FALSE(TrashSafety::hasDotDotComponent("/a/..b/c.."));
}

TEST(TrashLocatorTest, HomeTrashFirstThenOnlyTheUsersOwnVolumeTrashes) {
  testing::TemporaryFolder tmp("locator");
  SampleMac mac(tmp.path());
  const unsigned uid = ::getuid();
  const auto volumeTrash = [&](const std::string& volume) {
    return SampleMac::makeFolder(mac.system("/Volumes/" + volume + "/.Trashes/" + std::to_string(uid)));
  };
  const std::string good = volumeTrash("Good"), other = volumeTrash("Other");
  ASSERT_EQ(::chown(other.c_str(), uid + 1, 0), 0);
  fs::remove(volumeTrash("Linked"));
  fs::create_directory_symlink(good, mac.system("/Volumes/Linked/.Trashes/" + std::to_string(uid)));
  fs::remove(volumeTrash("File"));
  SampleMac::writeFile(mac.system("/Volumes/File/.Trashes/" + std::to_string(uid)));
  SampleMac::makeFolder(mac.system("/Volumes/Bare"));
  std::vector<std::string> mounts;
  for (const char* volume : {"Bare", "Linked", "Other", "File", "Good"}) mounts.push_back(mac.system("/Volumes/") + volume);
  const Layout layout = Layout::at(mac.root(), mac.home(), uid);
  const TrashLocator locator(layout, [&] { return mounts; });

  fs::rename(mac.user(".Trash"), mac.user("Trash"));
  EXPECT_TRUE(locator.discoverRoots().empty());  // no home Trash: no roots at all
  fs::create_directory_symlink(mac.user("Trash"), mac.user(".Trash"));  // a home Trash may be a link
  const std::string home = fs::canonical(mac.user(".Trash")).string();
  const std::vector<TrashLocator::Root> expected{{home, "/", true}, {good, mounts.back(), false}};
  EXPECT_EQ(locator.discoverRoots(), expected);
  EXPECT_EQ(locator.discoverTrashRoots(), (std::vector<std::string>{home, good}));
  EXPECT_EQ(TrashLocator(layout).discoverRoots(), expected);  // discovery sees the Volumes folder's volumes
  EXPECT_EQ(TrashLocator::root(good + "/item/x", expected), expected[1]);
  EXPECT_EQ(TrashLocator::root(good, expected), std::nullopt);
  EXPECT_EQ(TrashLocator::root(home + "/../x", expected), std::nullopt);
}

}  // namespace
}  // namespace corvane
