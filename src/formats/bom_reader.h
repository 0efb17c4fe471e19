#pragma once
// Reads the paths of a bill of materials (an installer receipt's ".bom" file). Its bytes are untrusted:
// every offset and length is checked against the file and every loop the file steers is bounded.
//
// The file is big-endian: a 512-byte header ("BOMStore", version 1, block count, block-table offset and
// length, variables offset and length), a block table (a count, then an address and a length per block),
// named variables (a count, then block index, name length and name each), among them "Paths": a tree
// header ("tree", version, root node block, node size, path count) over nodes of (isLeaf, count,
// forward, backward) followed by `count` pairs (index0, index1). Inner nodes lead down through the
// first pair's index0; leaves chain through `forward`, and each leaf pair names a block holding
// (file id, info block) and one holding (parent file id, NUL-terminated name).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "corvane/base/result.h"

namespace corvane::bom {

struct Limits {
  std::size_t maxFileBytes = 256u << 20;   // a whole BOM file
  std::size_t maxVariables = 4096;         // named variables
  std::size_t maxTreeDepth = 64;           // inner nodes passed on the way down to the first leaf
  std::size_t maxPaths = 4u << 20;         // entries listed, over all leaves
  std::size_t maxPathComponents = 4096;    // components of one rebuilt path
  std::size_t maxPathBytes = 64u << 20;    // all rebuilt paths together
};

// One entry of the paths tree as stored.
struct PathEntry {
  std::uint32_t fileID = 0;
  std::uint32_t parentID = 0;
  std::string name;
  bool operator==(const PathEntry&) const = default;
};

// The tree's entries in leaf order. Fails on a malformed header, block table, variable list or tree.
Result<std::vector<PathEntry>> readEntries(std::span<const std::uint8_t> bytes, const Limits& limits = {});

// Each entry's path rebuilt through its parents: "." for the root, then "./a", "./a/b", ... in leaf
// order. An entry whose parent chain is broken (a missing parent, a cycle, too deep) is left out; paths
// longer together than limits.maxPathBytes fail the whole listing.
Result<std::vector<std::string>> rebuildPaths(const std::vector<PathEntry>& entries, const Limits& limits = {});

// readEntries and rebuildPaths together.
Result<std::vector<std::string>> readPaths(std::span<const std::uint8_t> bytes, const Limits& limits = {});
// Reading a file is bom::readPathsFromFile in platform/format_files.h.

// What "lsbom -s" prints for these paths: each on its own line, each line ending in "\n".
std::string pathListing(const std::vector<std::string>& paths);

}  // namespace corvane::bom
