#pragma once
// Writes bills of materials (".bom" files) as the installer's tools lay them out: the "BOMStore" header,
// the block table, the variables "BomInfo", "Paths", "HLIndex", "VIndex" and "Size64", and a paths tree
// whose leaves hold the entries sorted by (parent id, name), chained through `forward`, with inner nodes
// above them when there is more than one leaf.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::testing {

struct BomImage {
  std::vector<std::uint8_t> bytes;
  // Where things lie, so that tests can damage them on purpose.
  std::vector<std::uint32_t> leafBlocks;    // block index of each leaf, in chain order
  std::vector<std::size_t> leafOffsets;     // file offset of each leaf node
  std::vector<std::size_t> fileOffsets;     // file offset of each entry's (parent id, name) block, tree order
  std::uint32_t rootNodeBlock = 0;          // the node the "Paths" tree header points to
  std::size_t blockTableOffset = 0;
  std::size_t variablesOffset = 0;
};

// The largest number of entries a 4,096-byte node holds.
inline constexpr std::size_t kBomMaxEntriesPerNode = (4096 - 12) / 8;

// A BOM listing "." and every path given (relative to the install prefix, "Applications/Foo.app" or
// "./Applications/Foo.app"), with the folders above each path added. Every path that has another below
// it is a folder; the rest are files. Leaves hold at most `entriesPerLeaf` entries (1 to
// kBomMaxEntriesPerNode).
BomImage buildBom(const std::vector<std::string>& paths, std::size_t entriesPerLeaf = kBomMaxEntriesPerNode);

// What "lsbom -s" prints for that BOM: "." and then "./" + each path, in tree order.
std::vector<std::string> bomListing(const std::vector<std::string>& paths);

// Writes buildBom(paths, entriesPerLeaf) to `file` (parents created); returns the file's path.
std::string writeBom(const std::string& file, const std::vector<std::string>& paths,
                     std::size_t entriesPerLeaf = kBomMaxEntriesPerNode);

}  // namespace corvane::testing
