#include "formats/bom_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <tuple>

#include "sample_mac/bom_writer.h"
#include "sample_mac/sample_mac.h"
#include "platform/format_files.h"

namespace corvane {
namespace {

using testing::BomImage;
using testing::bomListing;
using testing::buildBom;
using Paths = std::vector<std::string>;

const std::string kFixture = CORVANE_SOURCE_DIR "/../shared/fixtures/bom/python-applications.bom";

// Writes `value` big-endian in `size` bytes at `offset`.
void put(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value, std::size_t size = 4) {
  for (std::size_t i = size; i-- > 0; value >>= 8) bytes.at(offset + i) = static_cast<std::uint8_t>(value);
}

const std::string kMalformed = "malformed bill of materials: ";

std::uint32_t be32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return std::uint32_t{bytes.at(offset)} << 24 | std::uint32_t{bytes.at(offset + 1)} << 16 |
         std::uint32_t{bytes.at(offset + 2)} << 8 | bytes.at(offset + 3);
}

// The message of a failure, without the prefix every message carries.
std::string errorOf(const std::vector<std::uint8_t>& bytes, const bom::Limits& limits = {}) {
  auto paths = bom::readPaths(bytes, limits);
  if (paths.has_value()) return "(read " + std::to_string(paths->size()) + " paths)";
  const std::string& message = paths.error().message;
  return message.starts_with(kMalformed) ? message.substr(kMalformed.size()) : "(unprefixed) " + message;
}

const Paths kSuite = {
    "Applications/Suite/Editor.app/Contents/Info.plist",
    "Applications/Suite/Editor.app/Contents/MacOS/Editor",
    "Applications/Suite/Viewer.app/Contents/Info.plist",
    "Library/LaunchDaemons/com.example.suite.helper.plist",
};

TEST(BomReaderTest, RefusesABrokenHeaderBlockTableVariablesOrTree) {
  const BomImage image = buildBom(kSuite, 2);
  const std::size_t vars = image.variablesOffset, lastLeaf = image.leafOffsets.back();
  const std::size_t root = lastLeaf + 4096;  // written right after the leaves
  const std::uint32_t firstBlock = image.leafBlocks.front(), lastBlock = image.leafBlocks.back();
  const std::string loopsBack = "the leaf chain loops back to node ";
  struct Case {
    std::function<void(std::vector<std::uint8_t>&)> damage;
    std::string message;
  };
  const std::vector<Case> cases{
      {[](auto& b) { b[3] = 'X'; }, "no \"BOMStore\" header"},
      {[](auto& b) { put(b, 8, 2); }, "version 2 is not 1"},
      {[](auto& b) { put(b, 16, 0xFFFFFFF0); }, "the block table lies outside the file"},
      {[&](auto& b) { put(b, image.blockTableOffset, 0x10000000); }, "the block table is shorter than its count"},
      {[](auto& b) { put(b, 24, 0xFFFFFFFF); }, "the variables lie outside the file"},
      {[&](auto& b) { put(b, vars, 0xFFFFFFFF); }, "the variable count is larger than the variables could hold"},
      // "BomInfo" (7 letters) comes first; its name length made to run past the region.
      {[&](auto& b) { b[vars + 8] = 0xFF; }, "a variable runs past its region"},
      // "Paths" renamed "Patht".
      {[&](auto& b) { b[vars + 4 + 5 + 7 + 5 + 4] = 't'; }, "there is no variable \"Paths\""},
      // The last leaf's forward pointer back to the first leaf, to itself, out of bounds, to the inner root.
      {[&](auto& b) { put(b, lastLeaf + 4, firstBlock); }, loopsBack + std::to_string(firstBlock)},
      {[&](auto& b) { put(b, lastLeaf + 4, 0x7FFFFFFF); }, "tree node 2147483647 is out of bounds"},
      {[&](auto& b) { put(b, lastLeaf + 4, image.rootNodeBlock); }, "the leaf chain reaches an inner node"},
      {[&](auto& b) { put(b, lastLeaf + 2, 0xFFFF, 2); },
       "tree node " + std::to_string(lastBlock) + " has more entries than its block holds"},
      // One entry, or one block, more than the region holds.
      {[&](auto& b) { put(b, lastLeaf + 2, testing::kBomMaxEntriesPerNode + 1, 2); },
       "tree node " + std::to_string(lastBlock) + " has more entries than its block holds"},
      {[&](auto& b) { put(b, image.blockTableOffset, (be32At(b, 20) - 4) / 8 + 1); },
       "the block table is shorter than its count"},
      // The inner root node's first entry leading back to itself, or an inner node with no entries.
      {[&](auto& b) { put(b, root + 12, image.rootNodeBlock); }, "the paths tree is deeper than 64"},
      {[&](auto& b) { put(b, root + 2, 0, 2); }, "an inner tree node has no entries"},
  };
  EXPECT_EQ(errorOf({}), "no \"BOMStore\" header");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    std::vector<std::uint8_t> bytes = image.bytes;
    c.damage(bytes);
    EXPECT_EQ(errorOf(bytes), c.message);
  }
  std::vector<std::uint8_t> fullLeaf = image.bytes;  // as many entries as the block holds: the rest are empty
  put(fullLeaf, lastLeaf + 2, testing::kBomMaxEntriesPerNode, 2);
  EXPECT_EQ(errorOf(fullLeaf), errorOf(image.bytes));
  bom::Limits fewPaths;
  fewPaths.maxPaths = 10;
  EXPECT_EQ(errorOf(image.bytes, fewPaths), "more than 10 paths");
}

TEST(BomReaderTest, SkipsEntriesOfUnknownBlocksAndNeverReadsPastATruncation) {
  BomImage image = buildBom({"a", "b"});
  // Entries: ".", "./a", "./b"; the third pair's (parent, name) block index made unknown.
  put(image.bytes, image.leafOffsets[0] + 12 + 2 * 8 + 4, 0x00FFFFFF);
  auto paths = bom::readPaths(image.bytes);
  ASSERT_TRUE(paths.has_value()) << paths.error().describe();
  EXPECT_EQ(*paths, (Paths{".", "./a"}));

  const BomImage three = buildBom(kSuite, 3);
  for (std::size_t size = 0; size < three.bytes.size(); size += 7) {
    std::vector<std::uint8_t> truncated(three.bytes.begin(), three.bytes.begin() + size);
    EXPECT_FALSE(bom::readPaths(truncated).has_value()) << size;
  }
}

TEST(BomReaderTest, RebuildsPathsThroughParentsWithinBounds) {
  // Orphans, cycles and whatever hangs below them are left out.
  auto paths = bom::rebuildPaths({{1, 0, "."}, {2, 1, "a"}, {3, 2, "b"}, {4, 99, "orphan"}, {5, 4, "below-orphan"},
                                  {6, 7, "x"}, {7, 6, "y"}, {8, 8, "me"}, {9, 7, "below-cycle"}, {10, 3, "c"}});
  ASSERT_TRUE(paths.has_value());
  EXPECT_EQ(*paths, (Paths{".", "./a", "./a/b", "./a/b/c"}));
  // Children listed before their parents still get their full paths.
  auto reversed = bom::rebuildPaths({{3, 2, "b"}, {2, 1, "a"}, {1, 0, "."}});
  ASSERT_TRUE(reversed.has_value());
  EXPECT_EQ(*reversed, (Paths{"./a/b", "./a", "."}));

  std::vector<bom::PathEntry> chain = {{1, 0, "."}};
  for (std::uint32_t id = 2; id <= 10; ++id) chain.push_back({id, id - 1, "d"});
  bom::Limits shallow;
  shallow.maxPathComponents = 5;
  auto deep = bom::rebuildPaths(chain, shallow);
  ASSERT_TRUE(deep.has_value());
  EXPECT_EQ(*deep, (Paths{".", "./d", "./d/d", "./d/d/d", "./d/d/d/d"}));
  // The same limit holds when the deepest entries come first.
  std::reverse(chain.begin(), chain.end());
  EXPECT_EQ(bom::rebuildPaths(chain, shallow).value_or(Paths{}).size(), 5u);

  bom::Limits small;
  small.maxPathBytes = 20;
  auto tooLong = bom::rebuildPaths(chain, small);
  ASSERT_FALSE(tooLong.has_value());
  EXPECT_EQ(tooLong.error().message, kMalformed + "the paths are longer than 20 bytes together");
}

TEST(BomReaderTest, ReportsAFileThatCannotBeRead) {
  auto described = [](const Result<Paths>& r) { return r.has_value() ? "(read)" : r.error().describe(); };
  testing::TemporaryFolder folder;
  EXPECT_EQ(described(bom::readPathsFromFile(folder.path() + "/none.bom")),
            Error::fromErrno(ENOENT, "open", folder.path() + "/none.bom").describe());
  std::string small = testing::writeBom(folder.path() + "/r/small.bom", {"x"});
  EXPECT_EQ(bom::readPathsFromFile(small).value_or(Paths{}), (Paths{".", "./x"}));
  bom::Limits tiny;
  tiny.maxFileBytes = 100;
  EXPECT_EQ(described(bom::readPathsFromFile(small, tiny)), "read " + small + ": file is larger than 100 bytes");
  std::string garbage = testing::SampleMac::writeFile(folder.path() + "/garbage.bom", "not a bom");
  EXPECT_EQ(described(bom::readPathsFromFile(garbage)),
            "read " + garbage + ": " + kMalformed + "no \"BOMStore\" header");
}

}  // namespace
}  // namespace corvane
