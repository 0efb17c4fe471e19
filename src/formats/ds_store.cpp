#include "corvane/formats/ds_store.h"

#include <optional>

#include "formats/byte_cursor.h"

namespace corvane {

namespace {

using Kind = DSStoreError::Kind;

// Block positions are counted from just after the leading 00 00 00 01.
constexpr std::uint64_t kBlockBase = 4;
// Block address tables are padded to a multiple of this many entries.
constexpr std::uint64_t kBlockTablePadding = 256;
// The low bits of a block address hold the block's size as a power of two.
constexpr std::uint32_t kBlockSizeBits = 0x1F;

class Parser {
 public:
  explicit Parser(std::span<const std::uint8_t> bytes) : reader_(bytes) {}

  DSStoreParseResult run() {
    DSStoreParseResult result;
    if (auto error = parse(result.records)) {
      result.records.clear();
      result.error = std::move(error);
    }
    return result;
  }

 private:
  std::optional<DSStoreError> parse(std::vector<DSRecord>& records) {
    if (reader_.size() < 8 || reader_.be32() != 1 || reader_.fourCharCode() != "Bud1") return DSStoreError::of(Kind::badMagic);
    const std::uint32_t infoOffset = reader_.be32();
    (void)reader_.be32();  // size of the info block
    (void)reader_.be32();  // copy of the info offset
    if (!reader_.ok()) return truncated();

    const std::uint64_t infoStart = std::uint64_t{infoOffset} + kBlockBase;
    if (infoStart > reader_.size()) return truncated();
    reader_.seek(infoStart);
    blockCount_ = reader_.be32();
    (void)reader_.be32();
    // The whole padded table must lie inside the file; checked before anything is sized by the count.
    const std::uint64_t padded = (std::uint64_t{blockCount_} + kBlockTablePadding - 1) / kBlockTablePadding *
                                 kBlockTablePadding;
    if (!reader_.ok() || !reader_.fits(padded * 4)) return truncated();
    blockTable_ = reader_.offset();
    reader_.skip(padded * 4);

    const std::uint32_t entries = reader_.be32();
    if (!reader_.ok()) return truncated();
    if (entries == 0) return DSStoreError::of(Kind::missingDSDB);
    std::optional<std::uint32_t> dsdb;
    for (std::uint32_t i = 0; i < entries; ++i) {
      const std::uint8_t length = reader_.u8();
      if (!reader_.fits(length)) return truncated();
      std::string name(length, '\0');
      for (auto& c : name) c = static_cast<char>(reader_.u8());
      const std::uint32_t block = reader_.be32();
      if (!reader_.ok()) return truncated();
      if (name == "DSDB") dsdb = block;
    }
    if (!dsdb) return DSStoreError::of(Kind::missingDSDB);

    if (auto error = seekToBlock(*dsdb)) return error;
    const std::uint32_t root = reader_.be32();
    for (int i = 0; i < 4; ++i) (void)reader_.be32();  // levels, records, nodes, page size
    if (!reader_.ok()) return truncated();

    visited_.assign(blockCount_, false);
    return walk(root, 0, records);
  }

  static DSStoreError truncated() { return DSStoreError::of(Kind::truncated); }

  std::optional<DSStoreError> seekToBlock(std::uint32_t block) {
    if (block >= blockCount_) return DSStoreError::badBlock(block);
    reader_.seek(blockTable_ + 4 * std::uint64_t{block});
    const std::uint32_t address = reader_.be32();
    const std::uint64_t start = std::uint64_t{address & ~kBlockSizeBits} + kBlockBase;
    if (!reader_.ok() || start > reader_.size()) return truncated();
    reader_.seek(start);
    return std::nullopt;
  }

  std::optional<DSStoreError> walk(std::uint32_t node, int depth, std::vector<DSRecord>& records) {
    if (depth > DSStore::kMaxDepth) return DSStoreError::of(Kind::tooManyNodes);
    if (node < blockCount_) {
      if (visited_[node]) return DSStoreError::of(Kind::tooManyNodes);
      visited_[node] = true;
    }
    if (auto error = seekToBlock(node)) return error;
    const std::uint32_t rightmost = reader_.be32();
    const std::uint32_t count = reader_.be32();
    if (!reader_.ok()) return truncated();
    // Every record takes at least 13 bytes and every child is a node not seen before, so these loops
    // end within the file's size even when `count` is huge.
    for (std::uint32_t i = 0; i < count; ++i) {
      if (rightmost != 0) {
        const std::uint32_t child = reader_.be32();
        if (!reader_.ok()) return truncated();
        const std::uint64_t resume = reader_.offset();
        if (auto error = walk(child, depth + 1, records)) return error;
        reader_.seek(resume);
      }
      if (auto error = readRecord(records)) return error;
    }
    if (rightmost != 0) return walk(rightmost, depth + 1, records);
    return std::nullopt;
  }

  std::optional<DSStoreError> readRecord(std::vector<DSRecord>& records) {
    DSRecord record;
    const std::uint32_t nameUnits = reader_.be32();
    record.filename = reader_.utf16BE(nameUnits);
    record.structId = reader_.fourCharCode();
    const std::string type = reader_.fourCharCode();
    if (!reader_.ok()) return truncated();
    if (type == "bool") {
      reader_.skip(1);
    } else if (type == "long" || type == "shor" || type == "type") {
      reader_.skip(4);
    } else if (type == "comp" || type == "dutc") {
      reader_.skip(8);
    } else if (type == "blob") {
      reader_.skip(reader_.be32());
    } else if (type == "ustr") {
      const std::uint32_t units = reader_.be32();
      record.stringValue = reader_.utf16BE(units);
    } else {
      return DSStoreError::unknownRecord(type);
    }
    if (!reader_.ok()) return truncated();
    records.push_back(std::move(record));
    return std::nullopt;
  }

  ByteCursor reader_;
  std::uint32_t blockCount_ = 0;
  std::uint64_t blockTable_ = 0;
  std::vector<bool> visited_;  // one per block, so sized by the table already checked against the file
};

}  // namespace

DSStoreParseResult DSStore::parse(std::span<const std::uint8_t> bytes) { return Parser(bytes).run(); }

}  // namespace corvane
