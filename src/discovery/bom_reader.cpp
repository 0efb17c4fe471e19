#include "discovery/bom_reader.h"

#include <optional>
#include <string_view>
#include <unordered_map>

#include "platform/file_io.h"

namespace corvane::bom {

namespace {

constexpr std::size_t kHeaderSize = 32;      // magic, version, block count, table and variables regions
constexpr std::size_t kBlockEntrySize = 8;   // address, length
constexpr std::size_t kTreeHeaderSize = 20;  // "tree", version, root node, node size, path count
constexpr std::size_t kNodeHeaderSize = 12;  // isLeaf, count, forward, backward
constexpr std::size_t kNodeEntrySize = 8;    // index0, index1
constexpr std::size_t kMinVariableSize = 5;  // block index, name length (an empty name)

// A stretch of the file; every read is checked against it.
class Region {
 public:
  Region() = default;
  explicit Region(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t size() const { return bytes_.size(); }

  // A big-endian 32-bit value at `offset`, when four bytes are there.
  std::optional<std::uint32_t> u32(std::size_t offset) const {
    if (offset > bytes_.size() || 4 > bytes_.size() - offset) return std::nullopt;
    const std::uint8_t* p = bytes_.data() + offset;
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
  }
  std::optional<std::uint16_t> u16(std::size_t offset) const {
    if (offset > bytes_.size() || 2 > bytes_.size() - offset) return std::nullopt;
    const std::uint8_t* p = bytes_.data() + offset;
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
  }
  std::optional<std::uint8_t> u8(std::size_t offset) const {
    if (offset >= bytes_.size()) return std::nullopt;
    return bytes_[offset];
  }
  // `length` bytes at `offset`, when they are all inside.
  std::optional<Region> slice(std::uint64_t offset, std::uint64_t length) const {
    if (offset > bytes_.size() || length > bytes_.size() - offset) return std::nullopt;
    return Region(bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length)));
  }
  std::string_view text(std::size_t offset, std::size_t length) const {
    return {reinterpret_cast<const char*>(bytes_.data()) + offset, length};
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

Error malformed(const std::string& what) { return Error::invalid("malformed bill of materials: " + what); }

// The block table: where each numbered block lies in the file.
class Blocks {
 public:
  Blocks(Region file, Region table, std::size_t count) : file_(file), table_(table), count_(count) {}

  std::size_t count() const { return count_; }

  // Block `index`, when the table holds it and it lies inside the file.
  std::optional<Region> block(std::uint32_t index) const {
    if (index >= count_) return std::nullopt;
    std::size_t at = 4 + std::size_t{index} * kBlockEntrySize;
    auto address = table_.u32(at);
    auto length = table_.u32(at + 4);
    if (!address || !length) return std::nullopt;
    return file_.slice(*address, *length);
  }

 private:
  Region file_;
  Region table_;
  std::size_t count_;
};

struct Node {
  bool isLeaf = false;
  std::uint32_t forward = 0;
  Region entries;  // count * (index0, index1)
  std::size_t count = 0;

  std::uint32_t index0(std::size_t i) const { return *entries.u32(i * kNodeEntrySize); }
  std::uint32_t index1(std::size_t i) const { return *entries.u32(i * kNodeEntrySize + 4); }
};

Result<Node> readNode(const Blocks& blocks, std::uint32_t index) {
  auto block = blocks.block(index);
  if (!block || block->size() < kNodeHeaderSize) return malformed("tree node " + std::to_string(index) + " is out of bounds");
  Node node;
  node.isLeaf = *block->u16(0) != 0;
  node.count = *block->u16(2);
  node.forward = *block->u32(4);
  if (node.count > (block->size() - kNodeHeaderSize) / kNodeEntrySize)
    return malformed("tree node " + std::to_string(index) + " has more entries than its block holds");
  node.entries = *block->slice(kNodeHeaderSize, node.count * kNodeEntrySize);
  return node;
}

Result<Blocks> readBlockTable(Region file) {
  auto tableOffset = file.u32(16);
  auto tableLength = file.u32(20);
  auto table = file.slice(*tableOffset, *tableLength);
  if (!table) return malformed("the block table lies outside the file");
  auto count = table->u32(0);
  if (!count) return malformed("the block table has no count");
  if (*count > (table->size() - 4) / kBlockEntrySize) return malformed("the block table is shorter than its count");
  return Blocks(file, *table, *count);
}

// The block index of the variable named `wanted`.
Result<std::uint32_t> findVariable(Region file, std::string_view wanted, const Limits& limits) {
  auto variables = file.slice(*file.u32(24), *file.u32(28));
  if (!variables) return malformed("the variables lie outside the file");
  auto count = variables->u32(0);
  if (!count) return malformed("the variables have no count");
  if (*count > limits.maxVariables || *count > (variables->size() - 4) / kMinVariableSize)
    return malformed("the variable count is larger than the variables could hold");
  std::size_t at = 4;
  for (std::uint32_t i = 0; i < *count; ++i) {
    auto index = variables->u32(at);
    auto length = variables->u8(at + 4);
    if (!index || !length || !variables->slice(at + 5, *length)) return malformed("a variable runs past its region");
    if (variables->text(at + 5, *length) == wanted) return *index;
    at += 5 + std::size_t{*length};
  }
  return malformed("there is no variable \"" + std::string(wanted) + "\"");
}

// The entry behind one leaf pair, when both of its blocks are readable.
std::optional<PathEntry> readEntry(const Blocks& blocks, std::uint32_t infoIndex, std::uint32_t fileIndex) {
  auto info = blocks.block(infoIndex);
  auto file = blocks.block(fileIndex);
  if (!info || !file) return std::nullopt;
  auto fileID = info->u32(0);
  auto parentID = file->u32(0);
  if (!fileID || !parentID) return std::nullopt;
  std::string_view rest = file->text(4, file->size() - 4);
  return PathEntry{*fileID, *parentID, std::string(rest.substr(0, rest.find('\0')))};
}

}  // namespace

Result<std::vector<PathEntry>> readEntries(std::span<const std::uint8_t> bytes, const Limits& limits) {
  Region file(bytes);
  if (file.size() < kHeaderSize || file.text(0, 8) != "BOMStore") return malformed("no \"BOMStore\" header");
  if (*file.u32(8) != 1) return malformed("version " + std::to_string(*file.u32(8)) + " is not 1");
  auto blocks = readBlockTable(file);
  if (!blocks.has_value()) return blocks.error();
  auto pathsIndex = findVariable(file, "Paths", limits);
  if (!pathsIndex.has_value()) return pathsIndex.error();

  auto tree = blocks->block(*pathsIndex);
  if (!tree || tree->size() < kTreeHeaderSize || tree->text(0, 4) != "tree")
    return malformed("the \"Paths\" variable does not lead to a tree");

  // Down through the first entry of each inner node to the first leaf.
  std::uint32_t nodeIndex = *tree->u32(8);
  auto node = readNode(*blocks, nodeIndex);
  for (std::size_t depth = 0; node.has_value() && !node->isLeaf; ++depth) {
    if (depth >= limits.maxTreeDepth) return malformed("the paths tree is deeper than " + std::to_string(limits.maxTreeDepth));
    if (node->count == 0) return malformed("an inner tree node has no entries");
    nodeIndex = node->index0(0);
    node = readNode(*blocks, nodeIndex);
  }
  if (!node.has_value()) return node.error();

  // Along the leaf chain. A leaf is a block, so a chain longer than the block table loops.
  std::vector<bool> visited(blocks->count(), false);
  std::vector<PathEntry> entries;
  for (;;) {
    if (!node->isLeaf) return malformed("the leaf chain reaches an inner node");
    if (visited[nodeIndex]) return malformed("the leaf chain loops back to node " + std::to_string(nodeIndex));
    visited[nodeIndex] = true;
    if (node->count > limits.maxPaths - entries.size())
      return malformed("more than " + std::to_string(limits.maxPaths) + " paths");
    for (std::size_t i = 0; i < node->count; ++i) {
      if (auto entry = readEntry(*blocks, node->index0(i), node->index1(i))) entries.push_back(std::move(*entry));
    }
    if (node->forward == 0) break;
    nodeIndex = node->forward;
    node = readNode(*blocks, nodeIndex);
    if (!node.has_value()) return node.error();
  }
  return entries;
}

Result<std::vector<std::string>> rebuildPaths(const std::vector<PathEntry>& entries, const Limits& limits) {
  std::unordered_map<std::uint32_t, std::size_t> byID;  // file id -> first entry with it
  byID.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) byID.emplace(entries[i].fileID, i);

  enum class State : std::uint8_t { unknown, onChain, built, broken };
  std::vector<State> state(entries.size(), State::unknown);
  std::vector<std::string> built(entries.size());
  std::vector<std::size_t> depth(entries.size(), 0);  // components of each built path
  std::size_t totalBytes = 0;
  std::vector<std::size_t> chain;

  for (std::size_t start = 0; start < entries.size(); ++start) {
    // Up through the parents until an entry whose path is settled, the root level or a break. Meeting
    // an entry already on this chain means the parents form a cycle. Every entry joins one chain once,
    // so all the walks together take as many steps as there are entries.
    chain.clear();
    std::size_t current = start;
    bool broken = false;
    for (;;) {
      if (state[current] == State::built) break;
      if (state[current] != State::unknown) {
        broken = true;
        break;
      }
      state[current] = State::onChain;
      chain.push_back(current);
      if (entries[current].parentID == 0) break;
      auto parent = byID.find(entries[current].parentID);
      if (parent == byID.end()) {
        broken = true;
        break;
      }
      current = parent->second;
    }

    // Down again, building each path from its parent's.
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      std::size_t i = *it;
      const PathEntry& entry = entries[i];
      if (!broken && entry.parentID == 0) {
        built[i] = entry.name;
        depth[i] = 1;
      } else if (!broken) {
        std::size_t parent = byID.at(entry.parentID);
        depth[i] = depth[parent] + 1;
        if (depth[i] > limits.maxPathComponents) {
          broken = true;
        } else {
          built[i].reserve(built[parent].size() + 1 + entry.name.size());
          built[i] = built[parent];
          built[i] += '/';
          built[i] += entry.name;
        }
      }
      if (broken) {
        state[i] = State::broken;
        continue;
      }
      totalBytes += built[i].size();
      if (totalBytes > limits.maxPathBytes)
        return malformed("the paths are longer than " + std::to_string(limits.maxPathBytes) + " bytes together");
      state[i] = State::built;
    }
  }

  std::vector<std::string> paths;
  paths.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (state[i] == State::built) paths.push_back(built[i]);
  return paths;
}

Result<std::vector<std::string>> readPaths(std::span<const std::uint8_t> bytes, const Limits& limits) {
  auto entries = readEntries(bytes, limits);
  if (!entries.has_value()) return entries.error();
  return rebuildPaths(*entries, limits);
}

Result<std::vector<std::string>> readPathsFromFile(const std::string& path, const Limits& limits) {
  auto bytes = platform::readFileBytes(path, limits.maxFileBytes);
  if (!bytes.has_value()) return bytes.error();
  auto paths = readPaths(*bytes, limits);
  if (!paths.has_value()) return Error{0, "read", path, paths.error().message};
  return paths;
}

std::string pathListing(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) {
    text += path;
    text += '\n';
  }
  return text;
}

}  // namespace corvane::bom
