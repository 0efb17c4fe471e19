#pragma once
// A read-only reader of a folder's .DS_Store file (the "Bud1" buddy-allocator file holding a B-tree of
// per-item records). Anyone can write such a file: every read is bounds-checked, the tree walk is limited
// in depth and never visits a node twice, and a malformed file gives its DSStoreError, never a crash.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane {

struct DSRecord {
  std::string filename;                    // the item the record describes (UTF-8)
  std::string structId;                    // the four-character record code, e.g. "ptbL"
  std::optional<std::string> stringValue;  // only for records of data type "ustr" (UTF-8)

  bool operator==(const DSRecord&) const = default;
};

struct DSStoreError {
  enum class Kind { badBlockID, unknownRecordType, truncated, badMagic, missingDSDB, tooManyNodes };
  Kind kind = Kind::truncated;
  std::uint32_t blockID = 0;  // badBlockID: the block number not in the block table
  std::string recordType;     // unknownRecordType: the four-character type

  static DSStoreError badBlock(std::uint32_t block) { return {Kind::badBlockID, block, {}}; }
  static DSStoreError unknownRecord(std::string type) { return {Kind::unknownRecordType, 0, std::move(type)}; }
  static DSStoreError of(Kind kind) { return {kind, 0, {}}; }
  bool operator==(const DSStoreError&) const = default;
};

// The records in stored (sorted) order, or the error that stopped the parse.
struct DSStoreParseResult {
  std::vector<DSRecord> records;
  std::optional<DSStoreError> error;

  bool ok() const { return !error.has_value(); }
  bool operator==(const DSStoreParseResult&) const = default;
};

namespace DSStore {
// Deepest tree level the walk follows.
inline constexpr int kMaxDepth = 1024;
DSStoreParseResult parse(std::span<const std::uint8_t> bytes);
}  // namespace DSStore

}  // namespace corvane
