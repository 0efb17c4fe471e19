#include "platform/directory_walk.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "sample_mac/sample_mac.h"

namespace corvane::platform {
namespace {

using testing::SampleMac;

class DirectoryWalkTest : public ::testing::Test {
 protected:
  std::string path(const std::string& relative) const { return folder_.path() + "/" + relative; }
  testing::TemporaryFolder folder_{"corvane-walk"};
};

TEST_F(DirectoryWalkTest, VisitsFoldersBeforeChildrenInNameOrderAndHonoursSkipping) {
  SampleMac::writeFile(path("b/inner/file"));
  SampleMac::writeFile(path("b/skipped/below"));
  SampleMac::writeFile(path("a"));
  SampleMac::writeFile(path(".hidden/x"));
  SampleMac::writeFile(path("c/.dot"));
  SampleMac::makeFolder(path("target/deep"));
  std::filesystem::create_directory_symlink(path("target"), path("link"));

  std::vector<std::string> visited;
  std::vector<std::optional<bool>> kinds;
  bool started = walkTree(folder_.path(), [&](const WalkEntry& e) {
    EXPECT_EQ(e.path, folder_.path() + "/" + e.path.substr(folder_.path().size() + 1));
    visited.push_back(e.path.substr(folder_.path().size() + 1));
    kinds.push_back(e.isDirectory);
    return e.name == "skipped" ? WalkStep::skipDescendants : WalkStep::descend;
  });
  EXPECT_TRUE(started);
  EXPECT_EQ(visited, (std::vector<std::string>{"a", "b", "b/inner", "b/inner/file", "b/skipped", "c", "link",
                                               "target", "target/deep"}));
  EXPECT_EQ(kinds, (std::vector<std::optional<bool>>{false, true, true, false, true, true, false, true, true}));

  // The root itself may be reached through a link.
  std::vector<std::string> throughLink;
  EXPECT_TRUE(walkTree(path("link"), [&](const WalkEntry& e) {
    throughLink.push_back(e.path);
    return WalkStep::descend;
  }));
  EXPECT_EQ(throughLink, std::vector<std::string>{path("link/deep")});

  EXPECT_FALSE(walkTree(path("missing"), [](const WalkEntry&) { return WalkStep::descend; }));
  EXPECT_FALSE(walkTree(path("a"), [](const WalkEntry&) { return WalkStep::descend; }));
}

TEST_F(DirectoryWalkTest, ListsVisibleNamesOrNothing) {
  SampleMac::writeFile(path("list/b"));
  SampleMac::writeFile(path("list/A"));
  SampleMac::writeFile(path("list/.c"));
  EXPECT_EQ(visibleEntryNames(path("list")), (std::vector<std::string>{"A", "b"}));
  EXPECT_EQ(visibleEntryNames(path("list/b")), std::nullopt);
  EXPECT_EQ(visibleEntryNames(path("nothing")), std::nullopt);
  EXPECT_TRUE(isHiddenItem(path("list"), ".c"));
  EXPECT_FALSE(isHiddenItem(path("list"), "b"));
}

}  // namespace
}  // namespace corvane::platform
