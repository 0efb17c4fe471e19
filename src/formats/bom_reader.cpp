#include "formats/bom_reader.h"

#include <optional>
#include <string_view>
#include <unordered_map>

#include "formats/byte_cursor.h"

namespace corvane::bom {

namespace {

constexpr std::size_t kHeaderSize = 32;      // magic, version, block count, table and variables regions
constexpr std::size_t kBlockEntrySize = 8;   // address, length
constexpr std::size_t kTreeHeaderSize = 20;  // "tree", version, root node, node size, path count
constexpr std::size_t kNodeHeaderSize = 12;  // isLeaf, count, forward, backward
constexpr std::size_t kNodeEntrySize = 8;    // index0, index1
constexpr std::size_t kMinVariableSize = 5;  // block index, name length (an empty name)

Error malformed(const std::string& what) { return Error::invalid("malformed bill of materials: " + what); }

// The block table: where each numbered block lies in the file.
class Blocks {
 public:
  Blocks(ByteCursor file, ByteCursor table, std::size_t count) : file_(file), table_(table), count_(count) {}

  std::size_t count() const { return count_; }

  // Block `index`, when the table holds it and it lies inside the file.
  std::optional<ByteCursor> block(std::uint32_t index) const {
    if (index >= count_) return std::nullopt;
    ByteCursor entry = table_;
    entry.seek(4 + std::uint64_t{index} * kBlockEntrySize);
    std::uint32_t address = entry.be32();
    std::uint32_t length = entry.be32();
    ByteCursor found = file_.slice(address, length);
    if (!entry.ok() || !found.ok()) return std::nullopt;
    return found;
  }

 private:
  ByteCursor file_;
  ByteCursor table_;
  std::size_t count_;
};

struct Node {
  bool isLeaf = false;
  std::uint32_t forward = 0;
  ByteCursor entries;  // count * (index0, index1)
  std::size_t count = 0;
};

Result<Node> readNode(const Blocks& blocks, std::uint32_t index) {
  auto block = blocks.block(index);
  if (!block || block->size() < kNodeHeaderSize) return malformed("tree node " + std::to_string(index) + " is out of bounds");
  Node node;
  node.isLeaf = block->be16() != 0;
  node.count = block->be16();
  node.forward = block->be32();
  if (node.count > (block->size() - kNodeHeaderSize) / kNodeEntrySize)
    return malformed("tree node " + std::to_string(index) + " has more entries than its block holds");
  node.entries = block->slice(kNodeHeaderSize, node.count * kNodeEntrySize);
  return node;
}

Result<Blocks> readBlockTable(ByteCursor file) {
  file.seek(16);
  std::uint32_t tableOffset = file.be32();
  std::uint32_t tableLength = file.be32();
  ByteCursor table = file.slice(tableOffset, tableLength);
  if (!table.ok()) return malformed("the block table lies outside the file");
  std::uint32_t count = table.be32();
  if (!table.ok()) return malformed("the block table has no count");
  if (count > (table.size() - 4) / kBlockEntrySize) return malformed("the block table is shorter than its count");
  return Blocks(file, table, count);
}

// The block index of the variable named `wanted`.
Result<std::uint32_t> findVariable(ByteCursor file, std::string_view wanted, const Limits& limits) {
  file.seek(24);
  std::uint32_t variablesOffset = file.be32();
  std::uint32_t variablesLength = file.be32();
  ByteCursor variables = file.slice(variablesOffset, variablesLength);
  if (!variables.ok()) return malformed("the variables lie outside the file");
  std::uint32_t count = variables.be32();
  if (!variables.ok()) return malformed("the variables have no count");
  if (count > limits.maxVariables || count > (variables.size() - 4) / kMinVariableSize)
    return malformed("the variable count is larger than the variables could hold");
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t index = variables.be32();
    std::uint8_t length = variables.u8();
    std::string_view name = variables.text(length);
    if (!variables.ok()) return malformed("a variable runs past its region");
    if (name == wanted) return index;
  }
  return malformed("there is no variable \"" + std::string(wanted) + "\"");
}

// The entry behind one leaf pair, when both of its blocks are readable.
std::optional<PathEntry> readEntry(const Blocks& blocks, std::uint32_t infoIndex, std::uint32_t fileIndex) {
  auto info = blocks.block(infoIndex);
  auto file = blocks.block(fileIndex);
  if (!info || !file) return std::nullopt;
  std::uint32_t fileID = info->be32();
  std::uint32_t parentID = file->be32();
  std::string_view rest = file->text(file->remaining());
  if (!info->ok() || !file->ok()) return std::nullopt;
  return PathEntry{fileID, parentID, std::string(rest.substr(0, rest.find('\0')))};
}

}  // namespace

Result<std::vector<PathEntry>> readEntries(std::span<const std::uint8_t> bytes, const Limits& limits) {
  ByteCursor file(bytes);
  if (file.size() < kHeaderSize || file.text(8) != "BOMStore") return malformed("no \"BOMStore\" header");
  if (std::uint32_t version = file.be32(); version != 1) return malformed("version " + std::to_string(version) + " is not 1");
  auto blocks = readBlockTable(file);
  if (!blocks.has_value()) return blocks.error();
  auto pathsIndex = findVariable(file, "Paths", limits);
  if (!pathsIndex.has_value()) return pathsIndex.error();

  auto tree = blocks->block(*pathsIndex);
  if (!tree || tree->size() < kTreeHeaderSize || tree->text(4) != "tree")
    return malformed("the \"Paths\" variable does not lead to a tree");

  // Down through the first entry of each inner node to the first leaf.
  tree->skip(4);  // the version
  std::uint32_t nodeIndex = tree->be32();
  auto node = readNode(*blocks, nodeIndex);
  for (std::size_t depth = 0; node.has_value() && !node->isLeaf; ++depth) {
    if (depth >= limits.maxTreeDepth) return malformed("the paths tree is deeper than " + std::to_string(limits.maxTreeDepth));
    if (node->count == 0) return malformed("an inner tree node has no entries");
    nodeIndex = node->entries.be32();
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
      std::uint32_t infoIndex = node->entries.be32();
      std::uint32_t fileIndex = node->entries.be32();
      if (auto entry = readEntry(*blocks, infoIndex, fileIndex)) entries.push_back(std::move(*entry));
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

std::string pathListing(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) {
    text += path;
    text += '\n';
  }
  return text;
}

}  // namespace corvane::bom
