// Hand-assembled binary property lists: one malformed input per check, each with its exact outcome.

#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "corvane/property_list.h"

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Assembles header, objects, offset table and trailer; every field of the trailer can be overridden.
struct RawPlist {
  std::vector<Bytes> objects;
  std::uint8_t offsetSize = 1;
  std::uint8_t refSize = 1;
  std::uint64_t top = 0;
  std::optional<std::uint64_t> numObjects;
  std::optional<std::uint64_t> tableOffset;
  std::map<std::size_t, std::uint64_t> offsetOverrides;

  Bytes build() const {
    Bytes out = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
    std::vector<std::uint64_t> offsets;
    for (const Bytes& object : objects) {
      offsets.push_back(out.size());
      out.insert(out.end(), object.begin(), object.end());
    }
    for (const auto& [index, offset] : offsetOverrides) offsets[index] = offset;
    std::uint64_t table = out.size();
    for (std::uint64_t offset : offsets) put(out, offset, offsetSize);
    out.insert(out.end(), 6, 0);
    out.push_back(offsetSize);
    out.push_back(refSize);
    put(out, numObjects.value_or(objects.size()), 8);
    put(out, top, 8);
    put(out, tableOffset.value_or(table), 8);
    return out;
  }

  static void put(Bytes& out, std::uint64_t value, std::size_t size) {
    for (std::size_t i = size; i-- > 0;) out.push_back(i < 8 ? static_cast<std::uint8_t>(value >> (8 * i)) : 0);
  }
};

Result<PropertyList> parse(const RawPlist& raw, const PlistLimits& limits = {}) {
  return plist::parseBinary(raw.build(), limits);
}

std::string failure(const Result<PropertyList>& result) {
  return result.has_value() ? "(parsed)" : result.error().message;
}

const Bytes kAsciiA = {0x51, 'a'};

TEST(BinaryPlistReaderTest, ReadsAHandAssembledDictionary) {
  // {"a": [1, true, 2.5], "b": UID 0x1234}: the key "a" is shared by nothing, the array holds three objects.
  RawPlist raw;
  raw.objects = {{0xD2, 1, 2, 3, 4},  // dict: keys 1, 2; values 3, 4
                 kAsciiA,
                 {0x51, 'b'},
                 {0xA3, 5, 6, 7},
                 {0x81, 0x12, 0x34},
                 {0x10, 0x01},
                 {0x09},
                 {0x23, 0x40, 0x04, 0, 0, 0, 0, 0, 0}};
  auto result = parse(raw);
  ASSERT_TRUE(result.has_value()) << failure(result);
  PropertyList expected(PlistDictionary{
      {"a", PropertyList(PlistArray{PropertyList(std::int64_t{1}), PropertyList(true), PropertyList(2.5)})},
      {"b", PropertyList(PlistUID{0x1234})}});
  EXPECT_EQ(*result, expected);
}

TEST(BinaryPlistReaderTest, IntegerSizes) {
  struct Case {
    Bytes object;
    std::int64_t value;
  };
  const Case cases[] = {
      {{0x10, 0xFF}, 255},
      {{0x11, 0xFF, 0xFE}, 65534},
      {{0x12, 0xFF, 0xFF, 0xFF, 0xFF}, 4294967295},                                        // 4 bytes: unsigned
      {{0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}, -2},                        // 8 bytes: signed
      {{0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x00}, 256},                 // 16 bytes
      {{0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, -1},  // 2^64-1: low 64 bits
      {{0x14, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 5}, 5},                         // 2^64+5: high bits dropped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    RawPlist raw;
    raw.objects = {c.object};
    auto result = parse(raw);
    ASSERT_TRUE(result.has_value()) << failure(result);
    EXPECT_EQ(result->asInteger(), c.value);
  }
  RawPlist tooWide;
  tooWide.objects = {Bytes(33, 0)};
  tooWide.objects[0][0] = 0x15;
  EXPECT_EQ(failure(parse(tooWide)), "binary property list: object 0 has an integer of unsupported size 32");
}

TEST(BinaryPlistReaderTest, StringsBecomeUTF8WithReplacementCharacters) {
  struct Case {
    const char* name;
    Bytes object;
    std::string text;
  };
  const Case cases[] = {
      {"surrogate pair", {0x62, 0xD8, 0x3D, 0xDE, 0x00}, "\xF0\x9F\x98\x80"},
      {"BMP", {0x62, 0x00, 0xE9, 0x26, 0x3A}, "\xC3\xA9\xE2\x98\xBA"},
      // lone high surrogate, 'A', lone low surrogate, high surrogate at the very end
      {"unpaired", {0x64, 0xD8, 0x00, 0x00, 0x41, 0xDC, 0x00, 0xDB, 0xFF}, "\xEF\xBF\xBD" "A\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"ascii above 0x7f", {0x53, 'a', 0xE9, 'b'}, "a\xEF\xBF\xBD" "b"},
      {"embedded NUL", {0x53, 'a', 0, 'b'}, std::string("a\0b", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RawPlist raw;
    raw.objects = {c.object};
    auto result = parse(raw);
    ASSERT_TRUE(result.has_value()) << failure(result);
    ASSERT_NE(result->asString(), nullptr);
    EXPECT_EQ(*result->asString(), c.text);
  }
}

TEST(BinaryPlistReaderTest, ExtendedLengthsAndSets) {
  RawPlist raw;
  Bytes data = {0x4F, 0x10, 20};  // data of 20 bytes, its length as a following integer
  for (std::uint8_t i = 0; i < 20; ++i) data.push_back(i);
  raw.objects = {{0xC2, 1, 2}, data, {0x08}};  // a set reads as an array
  auto result = parse(raw);
  ASSERT_TRUE(result.has_value()) << failure(result);
  ASSERT_NE(result->asArray(), nullptr);
  ASSERT_EQ(result->asArray()->size(), 2u);
  EXPECT_EQ(result->asArray()->at(0).asData()->bytes.size(), 20u);
  EXPECT_EQ(result->asArray()->at(0).asData()->bytes[19], 19);
  EXPECT_EQ(result->asArray()->at(1).asBoolean(), false);
}

TEST(BinaryPlistReaderTest, SharedObjectsAreReadEachTime) {
  RawPlist raw;
  raw.objects = {{0xA2, 1, 1}, {0xA1, 2}, kAsciiA};  // [[a], [a]] through one shared inner array
  auto result = parse(raw);
  ASSERT_TRUE(result.has_value()) << failure(result);
  PropertyList inner(PlistArray{PropertyList("a")});
  EXPECT_EQ(*result, PropertyList(PlistArray{inner, inner}));
}

TEST(BinaryPlistReaderTest, RefusesMalformedHeadersAndTrailers) {
  RawPlist valid;
  valid.objects = {kAsciiA};
  Bytes good = valid.build();
  EXPECT_TRUE(plist::parseBinary(good).has_value());

  Bytes truncated(good.begin(), good.begin() + 30);
  EXPECT_EQ(failure(plist::parseBinary(truncated)), "binary property list: the trailer is truncated");
  Bytes version = good;
  version[6] = '1';
  version[7] = '5';
  EXPECT_EQ(failure(plist::parseBinary(version)), "binary property list: unsupported version \"15\"");
  Bytes notBinary = {'<', '?', 'x', 'm', 'l'};
  EXPECT_EQ(failure(plist::parseBinary(notBinary)), "binary property list: missing \"bplist\" header");
  EXPECT_EQ(failure(plist::parseBinary(good, PlistLimits{.maxBytes = 20})),
            "binary property list: 43 bytes exceed the limit of 20");

  struct Case {
    const char* name;
    RawPlist raw;
    std::string message;
  };
  auto with = [&](auto change) {
    RawPlist raw = valid;
    change(raw);
    return raw;
  };
  const Case cases[] = {
      {"ref size 0", with([](RawPlist& r) { r.refSize = 0; }),
       "binary property list: object reference size 0 is invalid"},
      {"offset size 9", with([](RawPlist& r) { r.offsetSize = 9; }), "binary property list: offset size 9 is invalid"},
      {"no objects", with([](RawPlist& r) { r.numObjects = 0; }), "binary property list: no objects"},
      {"top out of range", with([](RawPlist& r) { r.top = 1; }), "binary property list: top object 1 is out of range"},
      {"table past the end", with([](RawPlist& r) { r.tableOffset = 1000; }),
       "binary property list: the offset table lies outside the file"},
      {"table overflowing", with([](RawPlist& r) { r.tableOffset = ~std::uint64_t{0} - 3; }),
       "binary property list: the offset table lies outside the file"},
      {"table inside the header", with([](RawPlist& r) { r.tableOffset = 8; }),
       "binary property list: the offset table lies outside the file"},
      {"more offsets than the table holds", with([](RawPlist& r) { r.numObjects = 2; }),
       "binary property list: the offset table lies outside the file"},
      {"huge object count", with([](RawPlist& r) { r.numObjects = std::uint64_t{1} << 62; }),
       "binary property list: 4611686018427387904 objects exceed the limit of 1048576"},
      {"object offset at the table", with([](RawPlist& r) { r.offsetOverrides[0] = 10; }),
       "binary property list: object 0 lies outside the object area"},
      {"object offset past the end", with([](RawPlist& r) { r.offsetOverrides[0] = 200; }),
       "binary property list: object 0 lies outside the object area"},
      {"object offset in the header", with([](RawPlist& r) { r.offsetOverrides[0] = 3; }),
       "binary property list: object 0 lies outside the object area"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(failure(parse(c.raw)), c.message);
  }
}

TEST(BinaryPlistReaderTest, RefusesMalformedObjects) {
  struct Case {
    const char* name;
    std::vector<Bytes> objects;
    std::string message;
  };
  const Case cases[] = {
      {"ref out of range", {{0xA1, 5}}, "binary property list: object 0 refers to missing object 5"},
      {"dict value out of range", {{0xD1, 1, 7}, kAsciiA}, "binary property list: object 0 refers to missing object 7"},
      {"array contains itself", {{0xA1, 0}}, "binary property list: object 0 contains itself"},
      {"longer cycle", {{0xA1, 1}, {0xD1, 2, 0}, kAsciiA}, "binary property list: object 0 contains itself"},
      {"string length past the end", {{0x5F, 0x10, 0x64, 'a', 'b'}},
       "binary property list: object 0 runs past the object area"},
      {"UTF-16 length past the end", {{0x63, 0x00, 0x41}}, "binary property list: object 0 runs past the object area"},
      {"length integer cut off", {{0x4F, 0x13, 0x00}}, "binary property list: object 0 runs past the object area"},
      {"length not an integer", {{0x4F, 0x23, 0x00}}, "binary property list: object 0 has a malformed length"},
      {"array refs past the end", {{0xAF, 0x10, 0x20, 0}}, "binary property list: object 0 runs past the object area"},
      {"integer cut off", {{0x13, 0x00, 0x00}}, "binary property list: object 0 runs past the object area"},
      {"real of 2 bytes", {{0x21, 0x00, 0x00}}, "binary property list: object 0 has a real of unsupported size 2"},
      {"date marker with size 2", {{0x32, 0x00}}, "binary property list: object 0 has unsupported type 0x32"},
      {"UID beyond 64 bits", {{0x88, 1, 0, 0, 0, 0, 0, 0, 0, 0}}, "binary property list: object 0 has a UID beyond 64 bits"},
      {"null", {{0x00}}, "binary property list: object 0 has unsupported type 0x00"},
      {"fill", {{0x0F}}, "binary property list: object 0 has unsupported type 0x0f"},
      {"unknown type", {{0x70}}, "binary property list: object 0 has unsupported type 0x70"},
      {"key not a string", {{0xD1, 1, 1}, {0x10, 0x01}}, "binary property list: dictionary key object 1 is not a string"},
      {"bad element", {{0xA1, 1}, {0xE0}}, "binary property list: object 1 has unsupported type 0xe0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RawPlist raw;
    raw.objects = c.objects;
    EXPECT_EQ(failure(parse(raw)), c.message);
  }
}

TEST(BinaryPlistReaderTest, EnforcesDepthCountAndSizeLimits) {
  // Four arrays inside one another around a string.
  RawPlist nested;
  nested.objects = {{0xA1, 1}, {0xA1, 2}, {0xA1, 3}, {0xA1, 4}, kAsciiA};
  EXPECT_TRUE(parse(nested, PlistLimits{.maxDepth = 4}).has_value());
  EXPECT_EQ(failure(parse(nested, PlistLimits{.maxDepth = 3})), "binary property list: nesting deeper than 3");
  EXPECT_EQ(failure(parse(nested, PlistLimits{.maxObjects = 4})),
            "binary property list: 5 objects exceed the limit of 4");

  // One string referred to eight times: few objects, many values.
  RawPlist fanOut;
  fanOut.objects = {{0xA8, 1, 1, 1, 1, 1, 1, 1, 1}, {0x5C, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l'}};
  EXPECT_TRUE(parse(fanOut, PlistLimits{.maxObjects = 9}).has_value());
  EXPECT_EQ(failure(parse(fanOut, PlistLimits{.maxObjects = 8})), "binary property list: more than 8 values");
  // 64 bytes of input would give 96 bytes of text.
  EXPECT_EQ(failure(parse(fanOut, PlistLimits{.maxBytes = 70})), "binary property list: contents exceed 70 bytes");

  // Nesting is capped whatever the caller allows.
  RawPlist deep;
  deep.refSize = 2;
  deep.offsetSize = 2;
  for (std::size_t next = 1; next <= 600; ++next)
    deep.objects.push_back({0xA1, static_cast<std::uint8_t>(next >> 8), static_cast<std::uint8_t>(next)});
  deep.objects.push_back(kAsciiA);
  EXPECT_EQ(failure(parse(deep, PlistLimits{.maxDepth = 100000})), "binary property list: nesting deeper than 512");
}

}  // namespace
}  // namespace corvane
