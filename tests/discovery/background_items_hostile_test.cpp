// Damaged and hostile store files and folders: every limit at its boundary, cycles, broken binary property
// lists. Each case gives one exact result, never a crash, a hang or an unbounded allocation.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <random>

#include "corvane/background_items_store.h"
#include "discovery/background_items_fixtures.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using btmtest::bareItem;
using btmtest::bytesOf;
using btmtest::kOtherScope;
using btmtest::kUserScope;
using btmtest::list;
using testing::KeyedArchiveBuilder;
using testing::SampleMac;
using Status = BackgroundItemStoreStatus;
using Store = BackgroundItemsStore;

// A record's shape as text: "A[B[C]]".
std::string shape(const BackgroundItemRecord& r) {
  std::string out = r.name.value_or(r.identifier.value_or("?"));
  if (r.subItems.empty()) return out;
  out += "[";
  for (std::size_t i = 0; i < r.subItems.size(); ++i) out += (i ? "," : "") + shape(r.subItems[i]);
  return out + "]";
}

PlistUID named(KeyedArchiveBuilder& a, const std::string& name, PlistUID items = KeyedArchiveBuilder::null) {
  return a.add(PlistDictionary{{"name", PropertyList(a.text(name))}, {"items", PropertyList(items)}});
}

class HostileStoreTest : public ::testing::Test {
 protected:
  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    return SampleMac::writeFile(folder + "/" + name, std::string(bytes.begin(), bytes.end()));
  }
  std::string write(const std::string& name, const PropertyList& archive) { return write(name, bytesOf(archive)); }
  BackgroundItemsLoadResult load() { return Store::loadDetailed(folder, std::string(kUserScope)); }
  // Loads a folder holding only `bytes` as BackgroundItems-v16.btm.
  BackgroundItemsLoadResult loadOnly(const std::vector<std::uint8_t>& bytes) {
    write("BackgroundItems-v16.btm", bytes);
    return load();
  }
  static std::string scopedName(int i) {
    char scope[37];
    std::snprintf(scope, sizeof scope, "00000000-0000-4000-8000-%012d", i);
    return "BackgroundItems-v16-" + std::string(scope) + ".btm";
  }

  testing::TemporaryFolder tmp{"corvane-btm-hostile"};
  SampleMac mac{tmp.path()};
  std::string folder = testing::backgroundItemsFolder(mac);
};

// --- Object graphs ---

TEST_F(HostileStoreTest, ACycleThroughItemsDropsOnlyThatBranch) {
  KeyedArchiveBuilder a;
  PlistUID itemA = a.reserve(), itemB = a.reserve();
  PlistUID itemC = named(a, "C");
  a.set(itemA, PlistDictionary{{"name", PropertyList(a.text("A"))}, {"items", PropertyList(list(a, {itemA, itemB}))}});
  a.set(itemB, PlistDictionary{{"name", PropertyList(a.text("B"))}, {"items", PropertyList(list(a, {itemA, itemC}))}});
  auto result = loadOnly(bytesOf(btmtest::oneScopeStore(a, {itemA})));
  EXPECT_EQ(result.status, Status::parsed(16, 1));
  ASSERT_EQ(result.records.size(), 1u);
  EXPECT_EQ(shape(result.records[0]), "A[B[C]]");
}

TEST_F(HostileStoreTest, ACollectionHoldingItselfIsNoItem) {
  KeyedArchiveBuilder a;
  PlistUID items = a.reserve();
  PlistUID parent = named(a, "P", items);
  a.set(items, PlistDictionary{{"NS.objects", PlistArray{PropertyList(items), PropertyList(named(a, "Q"))}}});
  // The scope's own list also names itself.
  PlistUID top = a.reserve();
  a.set(top, PlistDictionary{{"NS.objects", PlistArray{PropertyList(top), PropertyList(parent)}}});
  auto result = loadOnly(bytesOf(btmtest::globalStore(a, {{kUserScope, top}})));
  EXPECT_EQ(result.status, Status::parsed(16, 1));
  ASSERT_EQ(result.records.size(), 1u);
  EXPECT_EQ(shape(result.records[0]), "P[Q]");
}

TEST_F(HostileStoreTest, AURLWhoseBaseIsItself) {
  KeyedArchiveBuilder a;
  PlistUID url = a.reserve();
  a.set(url, PlistDictionary{{"NS.base", PropertyList(url)}, {"NS.relative", PropertyList(a.text("x/"))}});
  auto records = Store::parse(bytesOf(btmtest::oneScopeStore(a, {bareItem(a, "8.com.x", {{"url", PropertyList(url)}})})),
                              std::nullopt);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].registeredURLPath, std::nullopt);
}

TEST_F(HostileStoreTest, ItemsAtDepthFourGetNoSubItems) {
  KeyedArchiveBuilder a;
  PlistUID inner = named(a, "5");
  for (const char* level : {"4", "3", "2", "1", "0"}) inner = named(a, level, list(a, {inner}));
  auto result = loadOnly(bytesOf(btmtest::oneScopeStore(a, {inner})));
  EXPECT_EQ(result.status, Status::parsed(16, 1));
  ASSERT_EQ(result.records.size(), 1u);
  EXPECT_EQ(shape(result.records[0]), "0[1[2[3[4]]]]");
}

// One item whose "items" names one child `children` times.
std::vector<std::uint8_t> itemWithChildren(std::size_t children) {
  KeyedArchiveBuilder a;
  PlistUID child = named(a, "c");
  PlistUID parent = named(a, "p", list(a, std::vector<PlistUID>(children, child)));
  return bytesOf(btmtest::oneScopeStore(a, {parent}));
}

TEST_F(HostileStoreTest, FiveThousandSubItemsAreCutAt4096) {
  auto result = loadOnly(itemWithChildren(5000));
  EXPECT_EQ(result.status, Status::degraded(16, 1, 0, true));
  ASSERT_EQ(result.records.size(), 1u);
  EXPECT_EQ(result.records[0].subItems.size(), 4096u);
}

TEST_F(HostileStoreTest, Exactly4096SubItemsAreAllRead) {
  auto result = loadOnly(itemWithChildren(4096));
  EXPECT_EQ(result.status, Status::parsed(16, 1));
  ASSERT_EQ(result.records.size(), 1u);
  EXPECT_EQ(result.records[0].subItems.size(), 4096u);
}

TEST_F(HostileStoreTest, FiveThousandTopLevelItemsAreCutAt4096) {
  KeyedArchiveBuilder a;
  PlistUID item = bareItem(a, "8.com.x");
  auto result = loadOnly(bytesOf(btmtest::oneScopeStore(a, std::vector<PlistUID>(5000, item))));
  EXPECT_EQ(result.status, Status::degraded(16, 1, 0, true));
  EXPECT_EQ(result.records.size(), 4096u);
}

// A global store whose scopes hold `perScope[i]` references to one item.
std::vector<std::uint8_t> storeOfCounts(const std::vector<std::size_t>& perScope) {
  KeyedArchiveBuilder a;
  PlistUID item = bareItem(a, "8.com.x");
  std::vector<std::pair<std::string, PlistUID>> scopes;
  for (std::size_t i = 0; i < perScope.size(); ++i)
    scopes.emplace_back("scope-" + std::to_string(i), list(a, std::vector<PlistUID>(perScope[i], item)));
  return bytesOf(btmtest::globalStore(a, scopes));
}

TEST_F(HostileStoreTest, The20001stRecordIsNotRead) {
  auto result = loadOnly(storeOfCounts({4096, 4096, 4096, 4096, 3617}));
  EXPECT_EQ(result.status, Status::degraded(16, 1, 0, true));
  EXPECT_EQ(result.records.size(), 20000u);
}

TEST_F(HostileStoreTest, Exactly20000RecordsAreAllRead) {
  auto result = loadOnly(storeOfCounts({4096, 4096, 4096, 4096, 3616}));
  EXPECT_EQ(result.status, Status::parsed(16, 1));
  EXPECT_EQ(result.records.size(), 20000u);
}

TEST_F(HostileStoreTest, The4097thScopeIsNotRead) {
  auto result = loadOnly(storeOfCounts(std::vector<std::size_t>(4097, 1)));
  EXPECT_EQ(result.status, Status::degraded(16, 1, 0, true));
  EXPECT_EQ(result.records.size(), 4096u);
  EXPECT_EQ(result.records.back().scopeUUID, "SCOPE-4095");
  EXPECT_EQ(result.scopesSeen.size(), 4096u);
}

TEST_F(HostileStoreTest, SharedSubtreesStopAtHalfAMillionVisits) {
  // 4,096 references to an item that names 4,096 times a child without identifier or name: each top-level
  // item costs 4,097 visits, so the 123rd is cut short and nothing after it is read.
  KeyedArchiveBuilder a;
  PlistUID nameless = a.add(PlistDictionary{{"type", 8}});
  PlistUID wide = named(a, "wide", list(a, std::vector<PlistUID>(4096, nameless)));
  auto result = loadOnly(bytesOf(btmtest::oneScopeStore(a, std::vector<PlistUID>(4096, wide))));
  EXPECT_EQ(result.status, Status::degraded(16, 1, 0, true));
  EXPECT_EQ(result.records.size(), 123u);
}

TEST_F(HostileStoreTest, OneLongTextSharedByEveryItemIsPaidForEachTime) {
  constexpr std::size_t kName = 1u << 20;
  KeyedArchiveBuilder a;
  PlistUID item = a.add(PlistDictionary{{"name", PropertyList(a.text(std::string(kName, 'n')))}});
  auto result = loadOnly(bytesOf(btmtest::oneScopeStore(a, std::vector<PlistUID>(4096, item))));
  EXPECT_EQ(result.status, Status::degraded(16, 1, 0, true));
  const std::size_t scope = std::string(kUserScope).size();
  const std::size_t perRecord = sizeof(BackgroundItemRecord) + scope + 2 * kName;
  EXPECT_EQ(result.records.size(), (Store::maxRecordBytesPerLoad - scope) / perRecord);
}

TEST_F(HostileStoreTest, AssociatedIdentifiersNamingOneTextThousandsOfTimes) {
  // Every text examined is paid for, kept or not: each item here costs about 16 MiB.
  constexpr std::size_t kText = 4096;
  KeyedArchiveBuilder a;
  PlistUID ids = list(a, std::vector<PlistUID>(4096, a.text(std::string(kText, 'i'))));
  PlistUID item = bareItem(a, "8.com.x", {{"associatedBundleIdentifiers", PropertyList(ids)}});
  auto result = loadOnly(bytesOf(btmtest::oneScopeStore(a, std::vector<PlistUID>(4096, item))));
  EXPECT_EQ(result.status, Status::degraded(16, 1, 0, true));
  const std::size_t scope = std::string(kUserScope).size();
  const std::size_t perRecord =
      sizeof(BackgroundItemRecord) + scope + 2 * std::string("8.com.x").size() + 4096 * (sizeof(std::string) + kText);
  EXPECT_EQ(result.records.size(), (Store::maxRecordBytesPerLoad - scope) / perRecord);
  ASSERT_FALSE(result.records.empty());
  EXPECT_EQ(result.records[0].associatedBundleIdentifiers, std::vector<std::string>{std::string(kText, 'i')});
}

// A store with one item, "$objects" padded with texts to exactly `count` objects.
std::vector<std::uint8_t> storeWithObjects(std::size_t count) {
  KeyedArchiveBuilder a;
  PlistUID item = bareItem(a, "8.com.x");
  PlistUID items = list(a, {item});
  PlistUID scope = a.text(kUserScope);
  PlistUID byUser = a.dictionary({{scope, items}});
  PlistUID store = a.add(PlistDictionary{{"itemsByUserIdentifier", PropertyList(byUser)}});
  while (a.objectCount() < count) a.text("f");
  return bytesOf(a.archive("store", store));
}

TEST_F(HostileStoreTest, TwoHundredThousandObjectsAtMost) {
  EXPECT_EQ(Store::parse(storeWithObjects(200000), std::nullopt).size(), 1u);
  EXPECT_TRUE(Store::parse(storeWithObjects(200001), std::nullopt).empty());
}

TEST_F(HostileStoreTest, MismatchedKeysAndValuesAreNoGlobalStore) {
  KeyedArchiveBuilder a;
  PlistUID items = list(a, {bareItem(a, "8.com.x")});
  PlistUID byUser = a.add(PlistDictionary{{"NS.keys", PlistArray{PropertyList(a.text(kUserScope))}},
                                          {"NS.objects", PlistArray{PropertyList(items), PropertyList(items)}}});
  PlistUID store = a.add(PlistDictionary{{"itemsByUserIdentifier", PropertyList(byUser)}});
  auto result = loadOnly(bytesOf(a.archive("store", store)));
  EXPECT_EQ(result.status, Status::unreadableShape(16, {"BackgroundItems-v16.btm"}));
}

TEST_F(HostileStoreTest, AScopeIndexWithAKeyThatIsNoIdentifier) {
  auto result = loadOnly(bytesOf(testing::scopeIndexArchive({kUserScope, "not-an-identifier"}, testing::ScopeForm::text)));
  EXPECT_EQ(result.status, Status::unreadableShape(16, {"BackgroundItems-v16.btm"}));
}

// --- Broken binary property lists ---

std::vector<std::uint8_t> goodStore() { return bytesOf(testing::globalStoreArchive({{kUserScope, {{.identifier = "8.com.x"}}}})); }

std::uint64_t readBig(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t size) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < size; ++i) v = (v << 8) | b[at + i];
  return v;
}
void writeBig(std::vector<std::uint8_t>& b, std::size_t at, std::size_t size, std::uint64_t v) {
  for (std::size_t i = size; i-- > 0; v >>= 8) b[at + i] = static_cast<std::uint8_t>(v & 0xFF);
}

TEST_F(HostileStoreTest, TruncatedFiles) {
  const auto good = goodStore();
  ASSERT_EQ(Store::parse(good, std::nullopt).size(), 1u);
  const std::vector<std::pair<const char*, std::size_t>> cuts{
      {"header only", 8}, {"half", good.size() / 2}, {"trailer cut", good.size() - 1}, {"no trailer", good.size() - 32}};
  for (const auto& [what, size] : cuts) {
    SCOPED_TRACE(what);
    auto result = loadOnly(std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)));
    EXPECT_EQ(result.status, Status::unreadableShape(16, {"BackgroundItems-v16.btm"}));
    EXPECT_TRUE(result.records.empty());
  }
}

TEST_F(HostileStoreTest, WrongOffsets) {
  const auto good = goodStore();
  const std::size_t trailer = good.size() - 32;
  const std::size_t offsetSize = good[trailer + 6];
  const std::uint64_t objects = readBig(good, trailer + 8, 8);
  const std::uint64_t table = readBig(good, trailer + 24, 8);
  struct Case {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
  };
  const std::vector<Case> cases{
      {"table past the end", [&](auto& b) { writeBig(b, trailer + 24, 8, b.size() + 100); }},
      {"table overlapping the trailer", [&](auto& b) { writeBig(b, trailer + 24, 8, trailer - 1); }},
      {"object past the table", [&](auto& b) { writeBig(b, table, offsetSize, table + 1); }},
      {"object inside the header", [&](auto& b) { writeBig(b, table, offsetSize, 2); }},
      {"top object out of range", [&](auto& b) { writeBig(b, trailer + 16, 8, objects); }},
      {"top object is another object", [&](auto& b) { writeBig(b, trailer + 16, 8, objects - 1); }},
      {"object count beyond the table", [&](auto& b) { writeBig(b, trailer + 8, 8, objects * 1000); }},
      {"reference size zero", [&](auto& b) { b[trailer + 7] = 0; }},
      {"offset size nine", [&](auto& b) { b[trailer + 6] = 9; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto damaged = good;
    c.damage(damaged);
    auto result = loadOnly(damaged);
    EXPECT_EQ(result.status, Status::unreadableShape(16, {"BackgroundItems-v16.btm"}));
  }
}

TEST_F(HostileStoreTest, RandomBytes) {
  std::mt19937 random(16);
  std::vector<std::uint8_t> bytes(4096);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  EXPECT_EQ(loadOnly(bytes).status, Status::unreadableShape(16, {"BackgroundItems-v16.btm"}));
  const std::string magic = "bplist00";
  std::copy(magic.begin(), magic.end(), bytes.begin());
  EXPECT_EQ(loadOnly(bytes).status, Status::unreadableShape(16, {"BackgroundItems-v16.btm"}));
}

// --- Folders and files ---

void touchFiles(const std::string& folder, std::size_t count, const std::string& prefix) {
  for (std::size_t i = 0; i < count; ++i) std::ofstream(folder + "/" + prefix + std::to_string(i));
}

TEST_F(HostileStoreTest, The4097thDirectoryEntryEndsDiscovery) {
  write("BackgroundItems-v16.btm", goodStore());
  touchFiles(folder, 4095, "other-");
  for (int i = 0; i < 20; ++i) std::ofstream(folder + "/.hidden-" + std::to_string(i));
  auto atLimit = load();
  EXPECT_EQ(atLimit.status, Status::parsed(16, 1));
  EXPECT_EQ(atLimit.records.size(), 1u);

  touchFiles(folder, 1, "one-more-");
  EXPECT_EQ(load(), (BackgroundItemsLoadResult{{}, Status::directoryEntryLimitExceeded(), {}}));
  EXPECT_EQ(Store::discover(folder).outcome, Store::DiscoveryResult::Outcome::tooManyEntries);
}

TEST_F(HostileStoreTest, AFolderOfFiveThousandStoreFiles) {
  for (int i = 0; i < 5000; ++i) std::ofstream(folder + "/" + scopedName(i));
  EXPECT_EQ(load(), (BackgroundItemsLoadResult{{}, Status::directoryEntryLimitExceeded(), {}}));
}

TEST_F(HostileStoreTest, The65thStoreFileIsNotRead) {
  for (int i = 0; i < 65; ++i) write(scopedName(i), testing::scopeArchive(kOtherScope, {{.identifier = "8.com.x"}}));
  auto result = load();
  EXPECT_EQ(result.status, Status::degraded(16, 64, 0, true));
  EXPECT_EQ(result.records.size(), 64u);
}

// A per-user archive of exactly `size` bytes: its top-level dictionary carries a padding text.
std::vector<std::uint8_t> archiveOfSize(std::size_t size) {
  PropertyList archive = testing::scopeArchive(kOtherScope, {{.identifier = "8.com.x"}});
  std::size_t padding = size;
  for (int attempt = 0; attempt < 8; ++attempt) {
    PlistDictionary d = *archive.asDictionary();
    d.emplace_back("padding", std::string(padding, 'p'));
    auto bytes = bytesOf(d);
    if (bytes.size() == size) return bytes;
    padding = padding + size - bytes.size();
  }
  return {};
}

TEST_F(HostileStoreTest, FilesLargerThan16MiBAreSkipped) {
  auto largest = archiveOfSize(Store::maxStoreFileBytes);
  ASSERT_EQ(largest.size(), Store::maxStoreFileBytes);
  write(scopedName(1), largest);
  auto larger = archiveOfSize(Store::maxStoreFileBytes + 1);
  ASSERT_EQ(larger.size(), Store::maxStoreFileBytes + 1);
  write(scopedName(2), larger);
  auto result = load();
  EXPECT_EQ(result.status, Status::degraded(16, 1, 1, false));
  EXPECT_EQ(result.records.size(), 1u);
}

TEST_F(HostileStoreTest, ThirtyTwoMiBAreReadAtMost) {
  auto largest = archiveOfSize(Store::maxStoreFileBytes);
  ASSERT_EQ(largest.size(), Store::maxStoreFileBytes);
  write(scopedName(1), largest);
  write(scopedName(2), largest);
  write(scopedName(3), goodStore());
  auto result = load();
  EXPECT_EQ(result.status, Status::degraded(16, 2, 0, true));
  EXPECT_EQ(result.records.size(), 2u);
}

TEST_F(HostileStoreTest, AFileThatNoLongerFitsTheLoadIsSkipped) {
  auto twelve = archiveOfSize(12u << 20);
  ASSERT_EQ(twelve.size(), 12u << 20);
  for (int i = 1; i <= 3; ++i) write(scopedName(i), twelve);
  write(scopedName(4), bytesOf(testing::scopeArchive(kOtherScope, {{.identifier = "8.com.y"}})));
  auto result = load();
  EXPECT_EQ(result.status, Status::degraded(16, 3, 1, false));
  EXPECT_EQ(result.records.size(), 3u);
}

}  // namespace
}  // namespace corvane
