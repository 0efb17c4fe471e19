#include "sample_mac/bom_writer.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string_view>
#include <tuple>
#include <utility>

namespace corvane::testing {

namespace {

constexpr std::size_t kHeaderSize = 512;
constexpr std::uint32_t kPathsNodeSize = 4096;
constexpr std::uint32_t kSmallNodeSize = 128;  // the node size of the "VIndex" and "Size64" trees

// One entry of the paths tree.
struct Entry {
  std::uint32_t id = 0;
  std::uint32_t parentID = 0;
  std::string name;
  bool isFolder = false;
};

// "." and the given paths with every folder above them, numbered depth first with names in byte order
// ("." is 1), then sorted by (parent id, name) as the tree keeps them.
std::vector<Entry> treeEntries(const std::vector<std::string>& paths) {
  struct Node {
    std::string name;
    std::map<std::string, std::size_t> children;
  };
  std::vector<Node> nodes{{".", {}}};
  for (const std::string& path : paths) {
    std::string_view rest = path;
    while (rest.starts_with("./")) rest.remove_prefix(2);
    std::size_t current = 0;
    while (!rest.empty()) {
      std::size_t slash = rest.find('/');
      std::string component(rest.substr(0, slash));
      rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
      if (component.empty()) continue;
      auto found = nodes[current].children.find(component);
      if (found == nodes[current].children.end()) {
        nodes.push_back({component, {}});
        found = nodes[current].children.emplace(component, nodes.size() - 1).first;
      }
      current = found->second;
    }
  }

  std::vector<Entry> entries;
  std::vector<std::pair<std::size_t, std::uint32_t>> stack{{0, 0}};  // node, parent id
  while (!stack.empty()) {
    auto [node, parentID] = stack.back();
    stack.pop_back();
    auto id = static_cast<std::uint32_t>(entries.size() + 1);
    entries.push_back({id, parentID, nodes[node].name, !nodes[node].children.empty()});
    for (auto it = nodes[node].children.rbegin(); it != nodes[node].children.rend(); ++it)
      stack.emplace_back(it->second, id);
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return std::tie(a.parentID, a.name) < std::tie(b.parentID, b.name);
  });
  return entries;
}

class Bytes {
 public:
  Bytes& u8(std::uint8_t v) {
    data_.push_back(v);
    return *this;
  }
  Bytes& u16(std::uint16_t v) { return u8(static_cast<std::uint8_t>(v >> 8)).u8(static_cast<std::uint8_t>(v)); }
  Bytes& u32(std::uint32_t v) { return u16(static_cast<std::uint16_t>(v >> 16)).u16(static_cast<std::uint16_t>(v)); }
  Bytes& text(std::string_view s) {
    data_.insert(data_.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& padTo(std::size_t size) {
    if (data_.size() < size) data_.resize(size, 0);
    return *this;
  }
  const std::vector<std::uint8_t>& data() const { return data_; }

 private:
  std::vector<std::uint8_t> data_;
};

// Blocks are appended after the header in the order they are written; the table maps index to place.
class BlockStore {
 public:
  BlockStore() : file_(kHeaderSize, 0), table_{{0, 0}} {}

  std::uint32_t reserve() {
    table_.emplace_back(0, 0);
    return static_cast<std::uint32_t>(table_.size() - 1);
  }
  // Writes block `index`; returns its file offset.
  std::size_t set(std::uint32_t index, const Bytes& content) {
    std::size_t offset = file_.size();
    file_.insert(file_.end(), content.data().begin(), content.data().end());
    table_[index] = {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(content.data().size())};
    return offset;
  }
  std::uint32_t add(const Bytes& content) {
    std::uint32_t index = reserve();
    set(index, content);
    return index;
  }
  std::size_t append(const Bytes& content) {
    std::size_t offset = file_.size();
    file_.insert(file_.end(), content.data().begin(), content.data().end());
    return offset;
  }
  std::size_t blockCount() const { return table_.size(); }
  const std::vector<std::pair<std::uint32_t, std::uint32_t>>& table() const { return table_; }
  std::vector<std::uint8_t>& file() { return file_; }

 private:
  std::vector<std::uint8_t> file_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> table_;
};

Bytes treeHeader(std::uint32_t rootNode, std::uint32_t nodeSize, std::uint32_t pathCount) {
  Bytes b;
  b.text("tree").u32(1).u32(rootNode).u32(nodeSize).u32(pathCount).u8(0);
  return b;
}

std::uint32_t emptyTree(BlockStore& store, std::uint32_t nodeSize) {
  Bytes leaf;
  leaf.u16(1).u16(0).u32(0).u32(0).padTo(nodeSize);
  std::uint32_t leafIndex = store.add(leaf);
  return store.add(treeHeader(leafIndex, nodeSize, 0));
}

// What a file's or folder's info block says: type, mode, owner root:admin, no size, no checksum.
Bytes pathInfo(bool isFolder) {
  Bytes b;
  b.u8(isFolder ? 2 : 1).u8(1).u16(3).u16(isFolder ? 040755 : 0100644).u32(0).u32(80).u32(0).u32(0).u8(1).u32(0).u32(0);
  return b;
}

struct NodeRef {
  std::uint32_t block = 0;
  std::uint32_t key = 0;  // the file block of the last entry below it
};

}  // namespace

BomImage buildBom(const std::vector<std::string>& paths, std::size_t entriesPerLeaf) {
  entriesPerLeaf = std::clamp<std::size_t>(entriesPerLeaf, 1, kBomMaxEntriesPerNode);
  std::vector<Entry> entries = treeEntries(paths);
  BlockStore store;
  BomImage image;

  Bytes info;
  info.u32(1).u32(static_cast<std::uint32_t>(entries.size())).u32(0);
  std::uint32_t bomInfo = store.add(info);

  // Each entry: its info block, its (id, info) block and its (parent id, name) block.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;
  for (const Entry& entry : entries) {
    std::uint32_t details = store.add(pathInfo(entry.isFolder));
    Bytes idBlock;
    idBlock.u32(entry.id).u32(details);
    std::uint32_t idIndex = store.add(idBlock);
    Bytes fileBlock;
    fileBlock.u32(entry.parentID).text(entry.name).u8(0);
    std::uint32_t fileIndex = store.reserve();
    image.fileOffsets.push_back(store.set(fileIndex, fileBlock));
    pairs.emplace_back(idIndex, fileIndex);
  }

  // Leaves, chained forward and backward.
  std::vector<NodeRef> level;
  std::size_t leafCount = std::max<std::size_t>(1, (pairs.size() + entriesPerLeaf - 1) / entriesPerLeaf);
  for (std::size_t i = 0; i < leafCount; ++i) image.leafBlocks.push_back(store.reserve());
  for (std::size_t i = 0; i < leafCount; ++i) {
    std::size_t first = i * entriesPerLeaf;
    std::size_t last = std::min(pairs.size(), first + entriesPerLeaf);
    Bytes leaf;
    leaf.u16(1).u16(static_cast<std::uint16_t>(last - first));
    leaf.u32(i + 1 < leafCount ? image.leafBlocks[i + 1] : 0).u32(i > 0 ? image.leafBlocks[i - 1] : 0);
    for (std::size_t j = first; j < last; ++j) leaf.u32(pairs[j].first).u32(pairs[j].second);
    leaf.padTo(kPathsNodeSize);
    image.leafOffsets.push_back(store.set(image.leafBlocks[i], leaf));
    level.push_back({image.leafBlocks[i], last > first ? pairs[last - 1].second : 0});
  }

  // Inner nodes above them, one level at a time, until a single node is left.
  while (level.size() > 1) {
    std::vector<NodeRef> above;
    for (std::size_t first = 0; first < level.size(); first += kBomMaxEntriesPerNode) {
      std::size_t last = std::min(level.size(), first + kBomMaxEntriesPerNode);
      Bytes node;
      node.u16(0).u16(static_cast<std::uint16_t>(last - first)).u32(0).u32(0);
      for (std::size_t j = first; j < last; ++j) node.u32(level[j].block).u32(level[j].key);
      node.padTo(kPathsNodeSize);
      above.push_back({store.add(node), level[last - 1].key});
    }
    level = std::move(above);
  }
  image.rootNodeBlock = level.front().block;
  std::uint32_t pathsTree =
      store.add(treeHeader(image.rootNodeBlock, kPathsNodeSize, static_cast<std::uint32_t>(entries.size())));

  std::uint32_t hardLinks = emptyTree(store, kPathsNodeSize);
  Bytes vindex;
  vindex.u32(1).u32(emptyTree(store, kSmallNodeSize)).u32(0).u8(0);
  std::uint32_t vIndex = store.add(vindex);
  std::uint32_t sizes = emptyTree(store, kSmallNodeSize);

  Bytes variables;
  const std::pair<const char*, std::uint32_t> named[] = {
      {"BomInfo", bomInfo}, {"Paths", pathsTree}, {"HLIndex", hardLinks}, {"VIndex", vIndex}, {"Size64", sizes}};
  variables.u32(std::size(named));
  for (const auto& [name, index] : named)
    variables.u32(index).u8(static_cast<std::uint8_t>(std::string_view(name).size())).text(name);
  image.variablesOffset = store.append(variables);

  // The block table, then an empty free list.
  Bytes table;
  table.u32(static_cast<std::uint32_t>(store.blockCount()));
  for (const auto& [address, length] : store.table()) table.u32(address).u32(length);
  table.u32(0);
  image.blockTableOffset = store.append(table);

  Bytes header;
  header.text("BOMStore").u32(1).u32(static_cast<std::uint32_t>(store.blockCount() - 1));
  header.u32(static_cast<std::uint32_t>(image.blockTableOffset)).u32(static_cast<std::uint32_t>(table.data().size()));
  header.u32(static_cast<std::uint32_t>(image.variablesOffset)).u32(static_cast<std::uint32_t>(variables.data().size()));
  std::copy(header.data().begin(), header.data().end(), store.file().begin());

  image.bytes = std::move(store.file());
  return image;
}

std::vector<std::string> bomListing(const std::vector<std::string>& paths) {
  std::vector<Entry> entries = treeEntries(paths);
  std::map<std::uint32_t, std::string> byID;
  // Parents have smaller ids than their children, so building in id order always finds the parent.
  std::vector<const Entry*> byIDOrder;
  for (const Entry& entry : entries) byIDOrder.push_back(&entry);
  std::sort(byIDOrder.begin(), byIDOrder.end(), [](const Entry* a, const Entry* b) { return a->id < b->id; });
  for (const Entry* entry : byIDOrder)
    byID[entry->id] = entry->parentID == 0 ? entry->name : byID[entry->parentID] + "/" + entry->name;
  std::vector<std::string> listing;
  for (const Entry& entry : entries) listing.push_back(byID[entry.id]);
  return listing;
}

std::string writeBom(const std::string& file, const std::vector<std::string>& paths, std::size_t entriesPerLeaf) {
  std::filesystem::create_directories(std::filesystem::path(file).parent_path());
  BomImage image = buildBom(paths, entriesPerLeaf);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.bytes.data()), static_cast<std::streamsize>(image.bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file);
  return file;
}

}  // namespace corvane::testing
