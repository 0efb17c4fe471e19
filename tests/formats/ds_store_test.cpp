#include "corvane/formats/ds_store.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <functional>
#include <map>
#include <optional>

#include "platform/file_io.h"
#include "sample_mac/ds_store_writer.h"

namespace corvane {

void PrintTo(const DSStoreError& e, std::ostream* out) {
  *out << "kind " << static_cast<int>(e.kind) << " block " << e.blockID << " type \"" << e.recordType << "\"";
}

namespace {

using Kind = DSStoreError::Kind;
using Bytes = std::vector<std::uint8_t>;
using Values = std::map<std::string, std::pair<std::optional<std::string>, std::optional<std::string>>>;

const std::string kFixtures = CORVANE_SOURCE_DIR "/../shared/fixtures/ds_store/";

std::optional<Bytes> fixture(const std::string& name) {
  auto bytes = platform::readFileBytes(kFixtures + name, 1 << 22);
  return bytes.has_value() ? std::optional<Bytes>(bytes.value()) : std::nullopt;
}

void put32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 4; i-- > 0; value >>= 8) bytes.at(offset + i) = static_cast<std::uint8_t>(value);
}

// ptbL and ptbN per item name.
Values putBackValues(const std::vector<DSRecord>& records) {
  Values values;
  for (const auto& r : records) {
    if (r.structId == "ptbL") values[r.filename].first = r.stringValue;
    if (r.structId == "ptbN") values[r.filename].second = r.stringValue;
  }
  return values;
}

const std::vector<testing::PutBackEntry> kEntries = {{"b.txt", "Users/u/Desktop/", "b.txt"},
                                                     {"A 2.txt", "Users/u/", "A.txt"},
                                                     {"only-folder", "Users/u/", std::nullopt},
                                                     {"Café 🍎", std::nullopt, "Café 🍎"}};

TEST(DSStore, WrittenTrashStoreRoundTripsInSortedOrder) {
  const auto image = testing::buildTrashDSStore(kEntries);
  const auto parsed = DSStore::parse(image.bytes);
  ASSERT_TRUE(parsed.ok());
  std::vector<std::string> order;
  for (const auto& r : parsed.records) order.push_back(r.filename + ":" + r.structId);
  EXPECT_EQ(order, (std::vector<std::string>{"A 2.txt:ptbL", "A 2.txt:ptbN", "b.txt:ptbL", "b.txt:ptbN",
                                             "Café 🍎:ptbN", "only-folder:ptbL"}));
  Values expected;
  for (const auto& e : kEntries) expected[e.trashName] = {e.folder, e.name};
  EXPECT_EQ(putBackValues(parsed.records), expected);
}

TEST(DSStore, PutBackFixtureMatchesItsExpectedValues) {
  const auto bytes = fixture("trash-putback.DS_Store");
  std::ifstream json(kFixtures + "trash-putback.expected.json");
  if (!bytes || !json) GTEST_SKIP() << "fixtures not present at " << kFixtures;
  Values expected;
  const auto document = nlohmann::json::parse(json);
  for (const auto& item : document.items()) {
    const auto& v = item.value();
    auto value = [&v](const char* key) -> std::optional<std::string> {
      return v[key].is_null() ? std::nullopt : std::optional<std::string>(v[key].get<std::string>());
    };
    expected[item.key()] = {value("ptbL"), value("ptbN")};
  }
  const auto parsed = DSStore::parse(*bytes);
  ASSERT_TRUE(parsed.ok());
  EXPECT_EQ(parsed.records.size(), 50u);
  EXPECT_EQ(expected.size(), 26u);
  EXPECT_EQ(putBackValues(parsed.records), expected);
}

TEST(DSStore, FinderFixturesParse) {
  const std::vector<std::pair<std::string, std::size_t>> cases = {
      {"trivial.DS_Store", 3}, {"from-dmg.DS_Store", 9}, {"ds_store-tests.DS_Store", 3},
      {"branch-at-file52.DS_Store", 100}, {"large.DS_Store", 10128},
  };
  for (const auto& [name, count] : cases) {
    SCOPED_TRACE(name);
    const auto bytes = fixture(name);
    if (!bytes) GTEST_SKIP() << "fixtures not present at " << kFixtures;
    const auto parsed = DSStore::parse(*bytes);
    EXPECT_EQ(parsed.error, std::nullopt);
    EXPECT_EQ(parsed.records.size(), count);
  }
}

TEST(DSStore, MalformedFilesGiveTheirError) {
  const auto image = testing::buildTrashDSStore(kEntries);
  const std::size_t info = image.infoBlockOffset, toc = info + 8 + 256 * 4;
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
    DSStoreError error;
  };
  const std::vector<Case> cases = {
      {"7 bytes", [](Bytes& b) { b.resize(7); }, DSStoreError::of(Kind::badMagic)},
      {"wrong magic", [](Bytes& b) { b[7] = '2'; }, DSStoreError::of(Kind::badMagic)},
      {"wrong leading word", [](Bytes& b) { b[3] = 2; }, DSStoreError::of(Kind::badMagic)},
      {"info block past the end", [](Bytes& b) { put32(b, 8, 0xFFFFFFF0u); }, DSStoreError::of(Kind::truncated)},
      {"2^32-1 blocks", [&](Bytes& b) { put32(b, info, 0xFFFFFFFFu); }, DSStoreError::of(Kind::truncated)},
      {"3 blocks, padded table cut", [&](Bytes& b) { b.resize(info + 8 + 255 * 4); }, DSStoreError::of(Kind::truncated)},
      {"empty table of contents", [&](Bytes& b) { put32(b, toc, 0); }, DSStoreError::of(Kind::missingDSDB)},
      {"no DSDB entry", [&](Bytes& b) { b[toc + 5] = 'X'; }, DSStoreError::of(Kind::missingDSDB)},
      {"DSDB block not in the table", [&](Bytes& b) { put32(b, toc + 9, 3); }, DSStoreError::badBlock(3)},
      {"root node not in the table", [](Bytes& b) { put32(b, 4 + 0x20, 7); }, DSStoreError::badBlock(7)},
      {"block beyond the end", [&](Bytes& b) { put32(b, info + 16, 0x7FFFFF0Cu); }, DSStoreError::of(Kind::truncated)},
      {"node lists itself", [&](Bytes& b) { put32(b, image.leafOffset, 2), put32(b, image.leafOffset + 4, 0); }, DSStoreError::of(Kind::tooManyNodes)},
      {"unknown record type", [&](Bytes& b) { std::copy_n("ustR", 4, b.begin() + image.firstRecordOffset + 4 + 14 + 4); },
       DSStoreError::unknownRecord("ustR")},
      {"more records than written", [&](Bytes& b) { put32(b, image.leafOffset + 4, 7); },
       DSStoreError::unknownRecord(std::string(4, '\0'))},
      {"2^32-1 records", [&](Bytes& b) { put32(b, image.leafOffset + 4, ~0u), b.resize(image.recordsEnd); },
       DSStoreError::of(Kind::truncated)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bytes = image.bytes;
    c.damage(bytes);
    const auto parsed = DSStore::parse(bytes);
    EXPECT_EQ(parsed.error, c.error);
    EXPECT_TRUE(parsed.records.empty());
  }
}

TEST(DSStore, DeepChainOfNodesStopsAtTheDepthLimit) {
  // Internal nodes 1..N each hold one child (the next node) and no records; the last one is a leaf.
  auto chain = [](std::uint32_t nodes) {
    Bytes b(36, 0);
    put32(b, 0, 1), std::copy_n("Bud1", 4, b.begin() + 4), put32(b, 8, 32);
    auto u32 = [&b](std::uint32_t v) { b.resize(b.size() + 4), put32(b, b.size() - 4, v); };
    // Blocks start at multiples of 32 counted from offset 4.
    auto align = [&b] { b.resize(4 + (b.size() - 4 + 31) / 32 * 32); };
    u32(nodes + 1), u32(0);
    const std::size_t table = b.size();
    b.resize(table + 4 * ((nodes + 1 + 255) / 256 * 256));
    u32(1), b.insert(b.end(), {4, 'D', 'S', 'D', 'B'}), u32(0), align();
    put32(b, table, static_cast<std::uint32_t>(b.size() - 4));  // block 0: the DSDB header
    for (std::uint32_t v : {1u, 0u, 0u, nodes, 4096u}) u32(v);
    for (std::uint32_t n = 1; n <= nodes; ++n) {
      align(), put32(b, table + 4 * n, static_cast<std::uint32_t>(b.size() - 4));
      u32(n < nodes ? n + 1 : 0), u32(0);
    }
    return b;
  };
  EXPECT_EQ(DSStore::parse(chain(DSStore::kMaxDepth + 1)).error, std::nullopt);
  EXPECT_EQ(DSStore::parse(chain(DSStore::kMaxDepth + 2)).error, DSStoreError::of(Kind::tooManyNodes));
}

TEST(DSStore, EveryTruncationFailsOrKeepsAllRecords) {
  const auto image = testing::buildTrashDSStore(kEntries);
  std::vector<std::pair<std::string, Bytes>> files = {{"written", image.bytes}};
  if (auto bytes = fixture("trash-putback.DS_Store")) files.emplace_back("trash-putback", *bytes);
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const auto full = DSStore::parse(bytes);
    ASSERT_TRUE(full.ok());
    std::size_t firstComplete = bytes.size();
    for (std::size_t n = 0; n < bytes.size(); ++n) {
      const auto parsed = DSStore::parse(std::span(bytes).first(n));
      if (parsed.ok()) {
        firstComplete = std::min(firstComplete, n);
        ASSERT_EQ(parsed.records, full.records) << "at " << n;
      } else {
        ASSERT_EQ(parsed.error, DSStoreError::of(n < 8 ? Kind::badMagic : Kind::truncated)) << "at " << n;
        ASSERT_EQ(firstComplete, bytes.size()) << "failed at " << n << " after succeeding at " << firstComplete;
      }
    }
    // Only the unused tail of the last block may go.
    if (name == "written") {
      EXPECT_EQ(firstComplete, image.recordsEnd);
    }
  }
}

}  // namespace
}  // namespace corvane
