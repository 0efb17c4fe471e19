// Damaged and hostile store files and folders: every limit at its boundary, cycles, broken binary property
// lists. Each case gives one exact result, never a crash, a hang or an unbounded allocation.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>

#include "corvane/background_items_store.h"
#include "discovery/background_items_fixtures.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using btmtest::bareItem;
using btmtest::bytesOf;
using btmtest::kOtherScope;
using btmtest::kUserScope;
using btmtest::list;
using btmtest::oneScopeStore;
using testing::KeyedArchiveBuilder;
using testing::SampleMac;
using Bytes = std::vector<std::uint8_t>;
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

std::string scopedName(int i) {
  char scope[37];
  std::snprintf(scope, sizeof scope, "00000000-0000-4000-8000-%012d", i);
  return "BackgroundItems-v16-" + std::string(scope) + ".btm";
}

class HostileStoreTest : public ::testing::Test {
 protected:
  void write(const std::string& name, const Bytes& bytes) {
    SampleMac::writeFile(folder + "/" + name, std::string(bytes.begin(), bytes.end()));
  }
  BackgroundItemsLoadResult load() { return Store::loadDetailed(folder, std::string(kUserScope)); }
  // Loads a folder holding only `bytes` as BackgroundItems-v16.btm.
  BackgroundItemsLoadResult loadOnly(const Bytes& bytes) {
    write("BackgroundItems-v16.btm", bytes);
    return load();
  }

  testing::TemporaryFolder tmp{"corvane-btm-hostile"};
  SampleMac mac{tmp.path()};
  std::string folder = testing::backgroundItemsFolder(mac);
};

// --- Object graphs ---

TEST_F(HostileStoreTest, CyclesAndDepthCutOnlyTheirBranch) {
  // A cycle through items.
  KeyedArchiveBuilder a;
  PlistUID itemA = a.reserve(), itemB = a.reserve();
  PlistUID itemC = named(a, "C");
  a.set(itemA, PlistDictionary{{"name", PropertyList(a.text("A"))}, {"items", PropertyList(list(a, {itemA, itemB}))}});
  a.set(itemB, PlistDictionary{{"name", PropertyList(a.text("B"))}, {"items", PropertyList(list(a, {itemA, itemC}))}});
  // Collections holding themselves, the scope's own list among them.
  KeyedArchiveBuilder b;
  PlistUID items = b.reserve();
  PlistUID parent = named(b, "P", items);
  b.set(items, PlistDictionary{{"NS.objects", PlistArray{PropertyList(items), PropertyList(named(b, "Q"))}}});
  PlistUID top = b.reserve();
  b.set(top, PlistDictionary{{"NS.objects", PlistArray{PropertyList(top), PropertyList(parent)}}});
  // Items at depth four get no sub-items.
  KeyedArchiveBuilder c;
  PlistUID inner = named(c, "5");
  for (const char* level : {"4", "3", "2", "1", "0"}) inner = named(c, level, list(c, {inner}));

  const std::vector<std::pair<Bytes, std::string>> cases{
      {bytesOf(oneScopeStore(a, {itemA})), "A[B[C]]"},
      {bytesOf(btmtest::globalStore(b, {{kUserScope, top}})), "P[Q]"},
      {bytesOf(oneScopeStore(c, {inner})), "0[1[2[3[4]]]]"}};
  for (const auto& [bytes, expected] : cases) {
    SCOPED_TRACE(expected);
    auto result = loadOnly(bytes);
    EXPECT_EQ(result.status, Status::parsed(16, 1));
    ASSERT_EQ(result.records.size(), 1u);
    EXPECT_EQ(shape(result.records[0]), expected);
  }

  KeyedArchiveBuilder d;
  PlistUID url = d.reserve();
  d.set(url, PlistDictionary{{"NS.base", PropertyList(url)}, {"NS.relative", PropertyList(d.text("x/"))}});
  auto records = Store::parse(bytesOf(oneScopeStore(d, {bareItem(d, "8.com.x", {{"url", PropertyList(url)}})})),
                              std::nullopt);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].registeredURLPath, std::nullopt);
}

// One item whose "items" names one child `children` times.
Bytes itemWithChildren(std::size_t children) {
  KeyedArchiveBuilder a;
  PlistUID child = named(a, "c");
  return bytesOf(oneScopeStore(a, {named(a, "p", list(a, std::vector<PlistUID>(children, child)))}));
}

// A global store whose scopes hold `perScope[i]` references to one item.
Bytes storeOfCounts(const std::vector<std::size_t>& perScope) {
  KeyedArchiveBuilder a;
  PlistUID item = bareItem(a, "8.com.x");
  std::vector<std::pair<std::string, PlistUID>> scopes;
  for (std::size_t i = 0; i < perScope.size(); ++i)
    scopes.emplace_back("scope-" + std::to_string(i), list(a, std::vector<PlistUID>(perScope[i], item)));
  return bytesOf(btmtest::globalStore(a, scopes));
}

// One scope listing `item` 4,096 times.
Bytes manyTimes(KeyedArchiveBuilder& a, PlistUID item) {
  return bytesOf(oneScopeStore(a, std::vector<PlistUID>(4096, item)));
}

TEST_F(HostileStoreTest, CountLimitsAtTheirBoundaries) {
  for (std::size_t children : {4096u, 5000u}) {
    auto result = loadOnly(itemWithChildren(children));
    EXPECT_EQ(result.status, children == 4096 ? Status::parsed(16, 1) : Status::degraded(16, 1, 0, true));
    ASSERT_EQ(result.records.size(), 1u);
    EXPECT_EQ(result.records[0].subItems.size(), 4096u);
  }
  struct Case {
    const char* what;
    std::function<Bytes()> bytes;
    Status status;
    std::size_t records;
  };
  const Status cut = Status::degraded(16, 1, 0, true);
  const std::vector<Case> cases{
      {"5,000 top-level items",
       [] {
         KeyedArchiveBuilder a;
         return bytesOf(oneScopeStore(a, std::vector<PlistUID>(5000, bareItem(a, "8.com.x"))));
       },
       cut, 4096},
      {"20,001 records", [] { return storeOfCounts({4096, 4096, 4096, 4096, 3617}); }, cut, 20000},
      {"20,000 records", [] { return storeOfCounts({4096, 4096, 4096, 4096, 3616}); }, Status::parsed(16, 1), 20000},
      // 4,096 references to an item that names 4,096 times a child without identifier or name: each top-level
      // item costs 4,097 visits, so the 123rd is cut short and nothing after it is read.
      {"half a million visits through shared subtrees",
       [] {
         KeyedArchiveBuilder a;
         PlistUID nameless = a.add(PlistDictionary{{"type", 8}});
         return manyTimes(a, named(a, "wide", list(a, std::vector<PlistUID>(4096, nameless))));
       },
       cut, 123},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto result = loadOnly(c.bytes());
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.records.size(), c.records);
  }

  auto scopes = loadOnly(storeOfCounts(std::vector<std::size_t>(4097, 1)));
  EXPECT_EQ(scopes.status, cut);
  EXPECT_EQ(scopes.records.size(), 4096u);
  EXPECT_EQ(scopes.records.back().scopeUUID, "SCOPE-4095");
  EXPECT_EQ(scopes.scopesSeen.size(), 4096u);
}

TEST_F(HostileStoreTest, TextsSharedByEveryItemArePaidForEachTime) {
  const std::size_t scope = std::string(kUserScope).size();
  // One name of 1 MiB, and a list naming one 4,096-byte text 4,096 times: every text examined is paid for,
  // kept or not, so each item of the second costs about 16 MiB.
  constexpr std::size_t kName = 1u << 20, kText = 4096;
  KeyedArchiveBuilder a;
  PlistUID item = a.add(PlistDictionary{{"name", PropertyList(a.text(std::string(kName, 'n')))}});
  auto longName = loadOnly(manyTimes(a, item));
  EXPECT_EQ(longName.status, Status::degraded(16, 1, 0, true));
  const std::size_t perName = sizeof(BackgroundItemRecord) + scope + 2 * kName;
  EXPECT_EQ(longName.records.size(), (Store::maxRecordBytesPerLoad - scope) / perName);

  KeyedArchiveBuilder b;
  PlistUID ids = list(b, std::vector<PlistUID>(4096, b.text(std::string(kText, 'i'))));
  auto shared = loadOnly(manyTimes(b, bareItem(b, "8.com.x", {{"associatedBundleIdentifiers", PropertyList(ids)}})));
  EXPECT_EQ(shared.status, Status::degraded(16, 1, 0, true));
  const std::size_t perRecord =
      sizeof(BackgroundItemRecord) + scope + 2 * std::string("8.com.x").size() + 4096 * (sizeof(std::string) + kText);
  EXPECT_EQ(shared.records.size(), (Store::maxRecordBytesPerLoad - scope) / perRecord);
  ASSERT_FALSE(shared.records.empty());
  EXPECT_EQ(shared.records[0].associatedBundleIdentifiers, std::vector<std::string>{std::string(kText, 'i')});
}

// A store with one item, "$objects" padded with texts to exactly `count` objects.
Bytes storeWithObjects(std::size_t count) {
  KeyedArchiveBuilder a;
  PlistUID byUser = a.dictionary({{a.text(kUserScope), list(a, {bareItem(a, "8.com.x")})}});
  PlistUID store = a.add(PlistDictionary{{"itemsByUserIdentifier", PropertyList(byUser)}});
  while (a.objectCount() < count) a.text("f");
  return bytesOf(a.archive("store", store));
}

TEST_F(HostileStoreTest, TwoHundredThousandObjectsAtMost) {
  EXPECT_EQ(Store::parse(storeWithObjects(200000), std::nullopt).size(), 1u);
  EXPECT_TRUE(Store::parse(storeWithObjects(200001), std::nullopt).empty());
}

// --- Files of no recognised shape ---

std::uint64_t readBig(const Bytes& b, std::size_t at, std::size_t size) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < size; ++i) v = (v << 8) | b[at + i];
  return v;
}
void writeBig(Bytes& b, std::size_t at, std::size_t size, std::uint64_t v) {
  for (std::size_t i = size; i-- > 0; v >>= 8) b[at + i] = static_cast<std::uint8_t>(v & 0xFF);
}

TEST_F(HostileStoreTest, DamagedFilesHaveAnUnreadableShape) {
  const Bytes good = bytesOf(testing::globalStoreArchive({{kUserScope, {{.identifier = "8.com.x"}}}}));
  ASSERT_EQ(Store::parse(good, std::nullopt).size(), 1u);
  const std::size_t trailer = good.size() - 32;
  Bytes otherTop = good;  // the top object made the last one, a text
  writeBig(otherTop, trailer + 16, 8, readBig(good, trailer + 8, 8) - 1);
  auto cut = [&](std::size_t size) { return Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)); };
  std::mt19937 random(16);
  Bytes noise(4096);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  Bytes magicNoise = noise;
  for (std::size_t i = 0; i < 8; ++i) magicNoise[i] = static_cast<std::uint8_t>("bplist00"[i]);

  KeyedArchiveBuilder a;
  PlistUID items = list(a, {bareItem(a, "8.com.x")});
  PlistUID byUser = a.add(PlistDictionary{{"NS.keys", PlistArray{PropertyList(a.text(kUserScope))}},
                                          {"NS.objects", PlistArray{PropertyList(items), PropertyList(items)}}});
  PlistUID mismatched = a.add(PlistDictionary{{"itemsByUserIdentifier", PropertyList(byUser)}});

  const std::vector<std::pair<const char*, Bytes>> cases{
      // Damage of every kind the property-list reader refuses is tried where that reader is tested; here a few
      // show that a refused file is a file of no recognised shape.
      {"header only", cut(8)},
      {"trailer cut", cut(good.size() - 1)},
      {"top object is another object", otherTop},
      {"random bytes", noise},
      {"random bytes after the magic", magicNoise},
      {"keys and values mismatched", bytesOf(a.archive("store", mismatched))},
      {"a scope index key that is no identifier",
       bytesOf(testing::scopeIndexArchive({kUserScope, "not-an-identifier"}, testing::ScopeForm::text))},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    auto result = loadOnly(bytes);
    EXPECT_EQ(result.status, Status::unreadableShape(16, {"BackgroundItems-v16.btm"}));
    EXPECT_TRUE(result.records.empty());
  }
}

// --- Folders and files ---

TEST_F(HostileStoreTest, The4097thDirectoryEntryEndsDiscovery) {
  write("BackgroundItems-v16.btm", bytesOf(testing::globalStoreArchive({{kUserScope, {{.identifier = "8.com.x"}}}})));
  for (int i = 0; i < 4095; ++i) std::ofstream(folder + "/other-" + std::to_string(i));
  for (int i = 0; i < 20; ++i) std::ofstream(folder + "/.hidden-" + std::to_string(i));
  auto atLimit = load();
  EXPECT_EQ(atLimit.status, Status::parsed(16, 1));
  EXPECT_EQ(atLimit.records.size(), 1u);

  std::ofstream(folder + "/one-more");
  EXPECT_EQ(load(), (BackgroundItemsLoadResult{{}, Status::directoryEntryLimitExceeded(), {}}));
  EXPECT_EQ(Store::discover(folder).outcome, Store::DiscoveryResult::Outcome::tooManyEntries);

  // Store files count as entries too.
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (int i = 0; i < 5000; ++i) std::ofstream(folder + "/" + scopedName(i));
  EXPECT_EQ(load(), (BackgroundItemsLoadResult{{}, Status::directoryEntryLimitExceeded(), {}}));
}

// A per-user archive of exactly `size` bytes (0: as small as it comes); a padding text in its top-level
// dictionary makes up the size.
Bytes archiveOfSize(std::size_t size) {
  PropertyList archive = testing::scopeArchive(kOtherScope, {{.identifier = "8.com.x"}});
  if (size == 0) return bytesOf(archive);
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

TEST_F(HostileStoreTest, FileCountAndByteLimits) {
  const std::size_t max = Store::maxStoreFileBytes, twelve = 12u << 20;
  struct Case {
    const char* what;
    std::vector<std::size_t> sizes;  // one scoped store file each
    Status status;
    std::size_t records;
  };
  const std::vector<Case> cases{
      {"the 65th file is not read", std::vector<std::size_t>(65, 0), Status::degraded(16, 64, 0, true), 64},
      {"files above 16 MiB are skipped", {max, max + 1}, Status::degraded(16, 1, 1, false), 1},
      {"32 MiB are read at most", {max, max, 0}, Status::degraded(16, 2, 0, true), 2},
      {"a file that no longer fits is skipped", {twelve, twelve, twelve, 0}, Status::degraded(16, 3, 1, false), 3},
  };
  std::map<std::size_t, Bytes> made;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folder);
    for (std::size_t i = 0; i < c.sizes.size(); ++i) {
      auto [at, added] = made.try_emplace(c.sizes[i]);
      if (added) at->second = archiveOfSize(c.sizes[i]);
      if (c.sizes[i] != 0) ASSERT_EQ(at->second.size(), c.sizes[i]);
      write(scopedName(static_cast<int>(i)), at->second);
    }
    auto result = load();
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.records.size(), c.records);
  }
}

}  // namespace
}  // namespace corvane
