#include "sample_mac/ds_store_writer.h"

#include <algorithm>
#include <tuple>

#include "base/utf8.h"
#include "sample_mac/sample_mac.h"

namespace corvane::testing {

namespace {

// Block positions are relative to offset 4; each block lies at a multiple of its power-of-two size,
// and its address carries that power in the low 5 bits.
constexpr std::uint32_t kDSDBAt = 0x20, kDSDBLog = 5;
constexpr std::uint32_t kInfoAt = 0x800, kInfoLog = 11;
constexpr std::uint32_t kLeafAt = 0x1000;

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::u16string utf16(const std::string& text) {
  std::u16string out;
  for (char32_t c : utf8::decode(text)) {
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

void putUtf16(std::vector<std::uint8_t>& out, const std::u16string& text) {
  put32(out, static_cast<std::uint32_t>(text.size()));
  for (char16_t u : text) {
    out.push_back(static_cast<std::uint8_t>(u >> 8));
    out.push_back(static_cast<std::uint8_t>(u));
  }
}

// The order the file manager keeps: item names compared case-insensitively (ASCII letters), then codes.
std::u16string sortKey(const std::u16string& name) {
  std::u16string key = name;
  for (auto& u : key)
    if (u >= u'A' && u <= u'Z') u = static_cast<char16_t>(u - u'A' + u'a');
  return key;
}

std::uint32_t log2Ceil(std::size_t size) {
  std::uint32_t log = 0;
  while ((std::size_t{1} << log) < size) ++log;
  return log;
}

void placeAt(std::vector<std::uint8_t>& file, std::size_t offset, const std::vector<std::uint8_t>& block) {
  if (file.size() < offset + block.size()) file.resize(offset + block.size());
  std::copy(block.begin(), block.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

DSStoreImage buildTrashDSStore(const std::vector<PutBackEntry>& entries) {
  struct Record {
    std::u16string key, name;
    std::string code;
    std::u16string value;
  };
  std::vector<Record> records;
  for (const auto& e : entries) {
    const auto name = utf16(e.trashName);
    if (e.folder) records.push_back({sortKey(name), name, "ptbL", utf16(*e.folder)});
    if (e.name) records.push_back({sortKey(name), name, "ptbN", utf16(*e.name)});
  }
  std::stable_sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
    return std::tie(a.key, a.code) < std::tie(b.key, b.code);
  });

  std::vector<std::uint8_t> leaf;
  put32(leaf, 0);  // a leaf: no rightmost child
  put32(leaf, static_cast<std::uint32_t>(records.size()));
  for (const auto& r : records) {
    putUtf16(leaf, r.name);
    leaf.insert(leaf.end(), r.code.begin(), r.code.end());
    for (char c : std::string("ustr")) leaf.push_back(static_cast<std::uint8_t>(c));
    putUtf16(leaf, r.value);
  }
  const std::uint32_t leafLog = std::max<std::uint32_t>(12, log2Ceil(leaf.size()));

  std::vector<std::uint8_t> dsdb;
  for (std::uint32_t v : {2u, 0u, static_cast<std::uint32_t>(records.size()), 1u, 0x1000u}) put32(dsdb, v);

  std::vector<std::uint8_t> info;
  put32(info, 3);  // blocks: info, DSDB, leaf
  put32(info, 0);
  put32(info, kInfoAt | kInfoLog);
  put32(info, kDSDBAt | kDSDBLog);
  put32(info, kLeafAt | leafLog);
  info.resize(8 + 256 * 4);
  put32(info, 1);  // table of contents
  info.push_back(4);
  for (char c : std::string("DSDB")) info.push_back(static_cast<std::uint8_t>(c));
  put32(info, 1);
  for (int bucket = 0; bucket < 32; ++bucket) put32(info, 0);  // free lists, all empty

  std::vector<std::uint8_t> header;
  put32(header, 1);
  for (char c : std::string("Bud1")) header.push_back(static_cast<std::uint8_t>(c));
  put32(header, kInfoAt);
  put32(header, 1u << kInfoLog);
  put32(header, kInfoAt);

  DSStoreImage image;
  placeAt(image.bytes, 0, header);
  placeAt(image.bytes, 4 + kDSDBAt, dsdb);
  placeAt(image.bytes, 4 + kInfoAt, info);
  placeAt(image.bytes, 4 + kLeafAt, leaf);
  image.bytes.resize(4 + kLeafAt + (std::size_t{1} << leafLog));
  image.infoBlockOffset = 4 + kInfoAt;
  image.leafOffset = 4 + kLeafAt;
  image.firstRecordOffset = image.leafOffset + 8;
  image.recordsEnd = image.leafOffset + leaf.size();
  return image;
}

std::string writeTrashDSStore(const std::string& trashFolder, const std::vector<PutBackEntry>& entries) {
  const auto image = buildTrashDSStore(entries);
  return SampleMac::writeFile(trashFolder + "/.DS_Store", std::string(image.bytes.begin(), image.bytes.end()));
}

}  // namespace corvane::testing
