#include "discovery/bom_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "sample_mac/bom_writer.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::BomImage;
using testing::bomListing;
using testing::buildBom;

const std::string kFixture = CORVANE_SOURCE_DIR "/../shared/fixtures/bom/python-applications.bom";

void putU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  bytes.at(offset) = static_cast<std::uint8_t>(value >> 24);
  bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 16);
  bytes.at(offset + 2) = static_cast<std::uint8_t>(value >> 8);
  bytes.at(offset + 3) = static_cast<std::uint8_t>(value);
}

void putU16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
  bytes.at(offset) = static_cast<std::uint8_t>(value >> 8);
  bytes.at(offset + 1) = static_cast<std::uint8_t>(value);
}

std::string errorOf(const std::vector<std::uint8_t>& bytes) {
  auto paths = bom::readPaths(bytes);
  if (paths.has_value()) return "(read " + std::to_string(paths->size()) + " paths)";
  return paths.error().message;
}

const std::vector<std::string> kSuite = {
    "Applications/Suite/Editor.app/Contents/Info.plist",
    "Applications/Suite/Editor.app/Contents/MacOS/Editor",
    "Applications/Suite/Viewer.app/Contents/Info.plist",
    "Library/LaunchDaemons/com.example.suite.helper.plist",
};

TEST(BomReaderTest, ListsTheInstallersOwnBomAsTheToolDoes) {
  if (!std::filesystem::exists(kFixture)) GTEST_SKIP() << "fixture not present: " << kFixture;
  auto paths = bom::readPathsFromFile(kFixture);
  ASSERT_TRUE(paths.has_value()) << paths.error().describe();
  ASSERT_EQ(paths->size(), 54u);
  const std::vector<std::string> first = {
      ".",
      "./._Python 3.9",
      "./Python 3.9",
      "./Python 3.9/._Icon\r",
      "./Python 3.9/IDLE.app",
      "./Python 3.9/Icon\r",
      "./Python 3.9/Install Certificates.command",
      "./Python 3.9/License.rtf",
      "./Python 3.9/Python Launcher.app",
      "./Python 3.9/ReadMe.rtf",
      "./Python 3.9/Update Shell Profile.command",
      "./Python 3.9/IDLE.app/Contents",
      "./Python 3.9/IDLE.app/Contents/Info.plist",
  };
  EXPECT_EQ(std::vector<std::string>(paths->begin(), paths->begin() + first.size()), first);
  EXPECT_EQ(paths->back(),
            "./Python 3.9/Python Launcher.app/Contents/Resources/English.lproj/PreferenceWindow.nib/objects.nib");
  for (const char* path : {"./Python 3.9/IDLE.app/Contents/MacOS", "./Python 3.9/Python Launcher.app/Contents"}) {
    SCOPED_TRACE(path);
    EXPECT_NE(std::find(paths->begin(), paths->end(), path), paths->end());
  }
  EXPECT_TRUE(bom::pathListing(*paths).starts_with(".\n./._Python 3.9\n./Python 3.9\n"));
}

TEST(BomReaderTest, ReadsWhatTheWriterWritesInTreeOrder) {
  BomImage image = buildBom(kSuite);
  EXPECT_EQ(image.leafBlocks.size(), 1u);
  auto paths = bom::readPaths(image.bytes);
  ASSERT_TRUE(paths.has_value()) << paths.error().describe();
  const std::vector<std::string> expected = {
      ".",
      "./Applications",
      "./Library",
      "./Applications/Suite",
      "./Applications/Suite/Editor.app",
      "./Applications/Suite/Viewer.app",
      "./Applications/Suite/Editor.app/Contents",
      "./Applications/Suite/Editor.app/Contents/Info.plist",
      "./Applications/Suite/Editor.app/Contents/MacOS",
      "./Applications/Suite/Editor.app/Contents/MacOS/Editor",
      "./Applications/Suite/Viewer.app/Contents",
      "./Applications/Suite/Viewer.app/Contents/Info.plist",
      "./Library/LaunchDaemons",
      "./Library/LaunchDaemons/com.example.suite.helper.plist",
  };
  EXPECT_EQ(*paths, expected);
  EXPECT_EQ(bomListing(kSuite), expected);
  EXPECT_EQ(bom::pathListing({".", "./a"}), ".\n./a\n");

  auto onlyRoot = bom::readPaths(buildBom({}).bytes);
  ASSERT_TRUE(onlyRoot.has_value());
  EXPECT_EQ(*onlyRoot, std::vector<std::string>{"."});
}

TEST(BomReaderTest, FollowsTheLeafChainAndDescendsThroughInnerNodes) {
  // Two entries a leaf: seven leaves under one inner node.
  BomImage twoPerLeaf = buildBom(kSuite, 2);
  EXPECT_EQ(twoPerLeaf.leafBlocks.size(), 7u);
  auto paths = bom::readPaths(twoPerLeaf.bytes);
  ASSERT_TRUE(paths.has_value()) << paths.error().describe();
  EXPECT_EQ(*paths, bomListing(kSuite));

  // One entry a leaf and more leaves than a node holds: two levels of inner nodes.
  std::vector<std::string> many;
  for (int i = 0; i < 700; ++i) many.push_back("Folder/item-" + std::to_string(i));
  BomImage deep = buildBom(many, 1);
  EXPECT_EQ(deep.leafBlocks.size(), 702u);
  auto manyPaths = bom::readPaths(deep.bytes);
  ASSERT_TRUE(manyPaths.has_value()) << manyPaths.error().describe();
  EXPECT_EQ(manyPaths->size(), 702u);
  EXPECT_EQ(*manyPaths, bomListing(many));
}

TEST(BomReaderTest, RefusesABrokenHeaderBlockTableOrVariables) {
  const BomImage image = buildBom(kSuite);
  auto damaged = [&](auto change) {
    std::vector<std::uint8_t> bytes = image.bytes;
    change(bytes);
    return errorOf(bytes);
  };
  const std::string prefix = "malformed bill of materials: ";
  EXPECT_EQ(errorOf({}), prefix + "no \"BOMStore\" header");
  EXPECT_EQ(damaged([](auto& b) { b[3] = 'X'; }), prefix + "no \"BOMStore\" header");
  EXPECT_EQ(damaged([](auto& b) { putU32(b, 8, 2); }), prefix + "version 2 is not 1");
  EXPECT_EQ(damaged([](auto& b) { putU32(b, 16, 0xFFFFFFF0); }), prefix + "the block table lies outside the file");
  EXPECT_EQ(damaged([](auto& b) { putU32(b, 20, 0xFFFFFFF0); }), prefix + "the block table lies outside the file");
  EXPECT_EQ(damaged([&](auto& b) { putU32(b, image.blockTableOffset, 0x10000000); }),
            prefix + "the block table is shorter than its count");
  EXPECT_EQ(damaged([](auto& b) { putU32(b, 24, 0xFFFFFFFF); }), prefix + "the variables lie outside the file");
  EXPECT_EQ(damaged([&](auto& b) { putU32(b, image.variablesOffset, 0xFFFFFFFF); }),
            prefix + "the variable count is larger than the variables could hold");
  // "BomInfo" (7 letters) comes first; its name length made to run past the region.
  EXPECT_EQ(damaged([&](auto& b) { b[image.variablesOffset + 8] = 0xFF; }),
            prefix + "a variable runs past its region");
  // "Paths" renamed "Patht".
  EXPECT_EQ(damaged([&](auto& b) { b[image.variablesOffset + 4 + 5 + 7 + 5 + 4] = 't'; }),
            prefix + "there is no variable \"Paths\"");
}

TEST(BomReaderTest, RefusesABrokenTree) {
  const BomImage image = buildBom(kSuite, 2);
  auto damaged = [&](auto change) {
    std::vector<std::uint8_t> bytes = image.bytes;
    change(bytes);
    return errorOf(bytes);
  };
  const std::string prefix = "malformed bill of materials: ";
  const std::size_t lastLeaf = image.leafOffsets.back();
  const std::uint32_t lastBlock = image.leafBlocks.back();

  // The last leaf's forward pointer back to the first leaf, or to itself.
  EXPECT_EQ(damaged([&](auto& b) { putU32(b, lastLeaf + 4, image.leafBlocks.front()); }),
            prefix + "the leaf chain loops back to node " + std::to_string(image.leafBlocks.front()));
  EXPECT_EQ(damaged([&](auto& b) { putU32(b, lastLeaf + 4, lastBlock); }),
            prefix + "the leaf chain loops back to node " + std::to_string(lastBlock));
  EXPECT_EQ(damaged([&](auto& b) { putU32(b, lastLeaf + 4, 0x7FFFFFFF); }),
            prefix + "tree node 2147483647 is out of bounds");
  EXPECT_EQ(damaged([&](auto& b) { putU32(b, lastLeaf + 4, image.rootNodeBlock); }),
            prefix + "the leaf chain reaches an inner node");
  EXPECT_EQ(damaged([&](auto& b) { putU16(b, lastLeaf + 2, 0xFFFF); }),
            prefix + "tree node " + std::to_string(lastBlock) + " has more entries than its block holds");

  // The inner root node's first entry leading back to itself, or an inner node with no entries.
  const std::size_t rootOffset = image.leafOffsets.back() + 4096;  // written right after the leaves
  EXPECT_EQ(damaged([&](auto& b) { putU32(b, rootOffset + 12, image.rootNodeBlock); }),
            prefix + "the paths tree is deeper than 64");
  EXPECT_EQ(damaged([&](auto& b) { putU16(b, rootOffset + 2, 0); }), prefix + "an inner tree node has no entries");

  bom::Limits fewPaths;
  fewPaths.maxPaths = 10;
  auto limited = bom::readPaths(image.bytes, fewPaths);
  ASSERT_FALSE(limited.has_value());
  EXPECT_EQ(limited.error().message, prefix + "more than 10 paths");
}

TEST(BomReaderTest, SkipsEntriesWhoseBlocksAreOutOfBounds) {
  BomImage image = buildBom({"a", "b"});
  // Entries: ".", "./a", "./b"; the third pair's (parent, name) block index made unknown.
  putU32(image.bytes, image.leafOffsets[0] + 12 + 2 * 8 + 4, 0x00FFFFFF);
  auto paths = bom::readPaths(image.bytes);
  ASSERT_TRUE(paths.has_value()) << paths.error().describe();
  EXPECT_EQ(*paths, (std::vector<std::string>{".", "./a"}));
}

TEST(BomReaderTest, NeverReadsPastAnyTruncation) {
  const BomImage image = buildBom(kSuite, 3);
  for (std::size_t size = 0; size < image.bytes.size(); size += 7) {
    std::vector<std::uint8_t> truncated(image.bytes.begin(), image.bytes.begin() + size);
    EXPECT_FALSE(bom::readPaths(truncated).has_value()) << size;
  }
}

TEST(BomReaderTest, RebuildsPathsThroughParentsAndLeavesOutBrokenChains) {
  using bom::PathEntry;
  std::vector<PathEntry> entries = {
      {1, 0, "."},    {2, 1, "a"},     {3, 2, "b"},  {4, 99, "orphan"}, {5, 4, "below-orphan"},
      {6, 7, "x"},    {7, 6, "y"},     {8, 8, "me"}, {9, 7, "below-cycle"}, {10, 3, "c"},
  };
  auto paths = bom::rebuildPaths(entries);
  ASSERT_TRUE(paths.has_value());
  EXPECT_EQ(*paths, (std::vector<std::string>{".", "./a", "./a/b", "./a/b/c"}));

  // Children listed before their parents still get their full paths.
  auto reversed = bom::rebuildPaths({{3, 2, "b"}, {2, 1, "a"}, {1, 0, "."}});
  ASSERT_TRUE(reversed.has_value());
  EXPECT_EQ(*reversed, (std::vector<std::string>{"./a/b", "./a", "."}));
}

TEST(BomReaderTest, BoundsPathDepthAndTotalBytes) {
  std::vector<bom::PathEntry> chain = {{1, 0, "."}};
  for (std::uint32_t id = 2; id <= 10; ++id) chain.push_back({id, id - 1, "d"});
  bom::Limits shallow;
  shallow.maxPathComponents = 5;
  auto paths = bom::rebuildPaths(chain, shallow);
  ASSERT_TRUE(paths.has_value());
  EXPECT_EQ(*paths, (std::vector<std::string>{".", "./d", "./d/d", "./d/d/d", "./d/d/d/d"}));
  // The same limit holds when the deepest entries come first.
  std::reverse(chain.begin(), chain.end());
  auto reversed = bom::rebuildPaths(chain, shallow);
  ASSERT_TRUE(reversed.has_value());
  EXPECT_EQ(reversed->size(), 5u);

  bom::Limits small;
  small.maxPathBytes = 20;
  auto tooLong = bom::rebuildPaths(chain, small);
  ASSERT_FALSE(tooLong.has_value());
  EXPECT_EQ(tooLong.error().message, "malformed bill of materials: the paths are longer than 20 bytes together");
}

TEST(BomReaderTest, ReportsAFileThatCannotBeRead) {
  testing::TemporaryFolder folder;
  auto missing = bom::readPathsFromFile(folder.path() + "/none.bom");
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error(), Error::fromErrno(ENOENT, "open", folder.path() + "/none.bom"));

  std::string small = testing::writeBom(folder.path() + "/r/small.bom", {"x"});
  bom::Limits tiny;
  tiny.maxFileBytes = 100;
  auto tooLarge = bom::readPathsFromFile(small, tiny);
  ASSERT_FALSE(tooLarge.has_value());
  EXPECT_EQ(tooLarge.error().describe(), "read " + small + ": file is larger than 100 bytes");

  std::string garbage = testing::SampleMac::writeFile(folder.path() + "/garbage.bom", "not a bom");
  auto unreadable = bom::readPathsFromFile(garbage);
  ASSERT_FALSE(unreadable.has_value());
  EXPECT_EQ(unreadable.error().describe(), "read " + garbage + ": malformed bill of materials: no \"BOMStore\" header");
  auto ok = bom::readPathsFromFile(small);
  ASSERT_TRUE(ok.has_value());
  EXPECT_EQ(*ok, (std::vector<std::string>{".", "./x"}));
}

}  // namespace
}  // namespace corvane
