// Hand-assembled binary property lists: one malformed input per check, each with its exact outcome.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "corvane/formats/property_list.h"

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

RawPlist of(std::vector<Bytes> objects) {
  RawPlist raw;
  raw.objects = std::move(objects);
  return raw;
}

// The message of a failure, without the prefix every message carries.
std::string failure(const Result<PropertyList>& result) {
  if (result.has_value()) return "(parsed)";
  const std::string prefix = "binary property list: ";
  const std::string& message = result.error().message;
  return message.starts_with(prefix) ? message.substr(prefix.size()) : "(unprefixed) " + message;
}

const Bytes kAsciiA = {0x51, 'a'};

TEST(BinaryPlistReaderTest, ReadsEachKindOfObject) {
  Bytes data = {0x4F, 0x10, 20};  // data of 20 bytes, its length as a following integer
  PlistData twenty;
  for (std::uint8_t i = 0; i < 20; ++i) twenty.bytes.push_back(i);
  data.insert(data.end(), twenty.bytes.begin(), twenty.bytes.end());
  struct Case {
    const char* name;
    std::vector<Bytes> objects;
    PropertyList expected;
  };
  const std::string replacement = "\xEF\xBF\xBD";
  const Case cases[] = {
      // {"a": [1, true, 2.5], "b": UID 0x1234}
      {"dictionary",
       {{0xD2, 1, 2, 3, 4}, kAsciiA, {0x51, 'b'}, {0xA3, 5, 6, 7}, {0x81, 0x12, 0x34}, {0x10, 0x01}, {0x09},
        {0x23, 0x40, 0x04, 0, 0, 0, 0, 0, 0}},
       PlistDictionary{{"a", PlistArray{1, true, 2.5}}, {"b", PlistUID{0x1234}}}},
      {"set of extended-length data and false", {{0xC2, 1, 2}, data, {0x08}}, PlistArray{twenty, false}},
      {"one inner array shared twice", {{0xA2, 1, 1}, {0xA1, 2}, kAsciiA},
       PlistArray{PlistArray{"a"}, PlistArray{"a"}}},
      {"1-byte integer", {{0x10, 0xFF}}, 255},
      {"4-byte integer, unsigned", {{0x12, 0xFF, 0xFF, 0xFF, 0xFF}}, 4294967295},
      {"8-byte integer, signed", {{0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}}, -2},
      {"16-byte integer", {{0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x00}}, 256},
      {"2^64-1: the low 64 bits", {{0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}, -1},
      {"2^64+5: high bits dropped", {{0x14, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 5}}, 5},
      {"surrogate pair", {{0x62, 0xD8, 0x3D, 0xDE, 0x00}}, "\xF0\x9F\x98\x80"},
      {"BMP", {{0x62, 0x00, 0xE9, 0x26, 0x3A}}, "\xC3\xA9\xE2\x98\xBA"},
      // lone high surrogate, 'A', lone low surrogate, high surrogate at the very end
      {"unpaired surrogates", {{0x64, 0xD8, 0x00, 0x00, 0x41, 0xDC, 0x00, 0xDB, 0xFF}},
       replacement + "A" + replacement + replacement},
      {"ascii above 0x7f", {{0x53, 'a', 0xE9, 'b'}}, "a" + replacement + "b"},
      {"embedded NUL", {{0x53, 'a', 0, 'b'}}, std::string("a\0b", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = parse(of(c.objects));
    ASSERT_TRUE(result.has_value()) << failure(result);
    EXPECT_EQ(*result, c.expected);
  }
  Bytes tooWide(33, 0);
  tooWide[0] = 0x15;
  EXPECT_EQ(failure(parse(of({tooWide}))), "object 0 has an integer of unsupported size 32");
}

TEST(BinaryPlistReaderTest, RefusesMalformedInput) {
  RawPlist valid = of({kAsciiA});
  Bytes good = valid.build();
  EXPECT_TRUE(plist::parseBinary(good).has_value());
  EXPECT_EQ(failure(plist::parseBinary(Bytes(good.begin(), good.begin() + 30))), "the trailer is truncated");
  Bytes version = good;
  version[6] = '1';
  version[7] = '5';
  EXPECT_EQ(failure(plist::parseBinary(version)), "unsupported version \"15\"");
  EXPECT_EQ(failure(plist::parseBinary(Bytes{'<', '?', 'x', 'm', 'l'})), "missing \"bplist\" header");
  EXPECT_EQ(failure(plist::parseBinary(good, PlistLimits{.maxBytes = 42})), "43 bytes exceed the limit of 42");
  EXPECT_TRUE(plist::parseBinary(good, PlistLimits{.maxBytes = 43}).has_value());

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
  const std::string outsideTable = "the offset table lies outside the file";
  const std::string outsideArea = "object 0 lies outside the object area";
  const std::string runsPast = "object 0 runs past the object area";
  const Case cases[] = {
      {"ref size 0", with([](RawPlist& r) { r.refSize = 0; }), "object reference size 0 is invalid"},
      {"offset size 9", with([](RawPlist& r) { r.offsetSize = 9; }), "offset size 9 is invalid"},
      {"no objects", with([](RawPlist& r) { r.numObjects = 0; }), "no objects"},
      {"top out of range", with([](RawPlist& r) { r.top = 1; }), "top object 1 is out of range"},
      {"table past the end", with([](RawPlist& r) { r.tableOffset = 1000; }), outsideTable},
      {"table overflowing", with([](RawPlist& r) { r.tableOffset = ~std::uint64_t{0} - 3; }), outsideTable},
      {"more offsets than the table holds", with([](RawPlist& r) { r.numObjects = 2; }), outsideTable},
      {"huge object count", with([](RawPlist& r) { r.numObjects = std::uint64_t{1} << 62; }),
       "4611686018427387904 objects exceed the limit of 1048576"},
      {"object offset at the table", with([](RawPlist& r) { r.offsetOverrides[0] = 10; }), outsideArea},
      {"object offset in the header", with([](RawPlist& r) { r.offsetOverrides[0] = 3; }), outsideArea},
      {"ref out of range", of({{0xA1, 5}}), "object 0 refers to missing object 5"},
      {"array contains itself", of({{0xA1, 0}}), "object 0 contains itself"},
      {"longer cycle", of({{0xA1, 1}, {0xD1, 2, 0}, kAsciiA}), "object 0 contains itself"},
      {"string length past the end", of({{0x5F, 0x10, 0x64, 'a', 'b'}}), runsPast},
      {"length integer cut off", of({{0x4F, 0x13, 0x00}}), runsPast},
      {"length not an integer", of({{0x4F, 0x23, 0x00}}), "object 0 has a malformed length"},
      {"array refs past the end", of({{0xAF, 0x10, 0x20, 0}}), runsPast},
      {"integer cut off", of({{0x13, 0x00, 0x00}}), runsPast},
      {"real of 2 bytes", of({{0x21, 0x00, 0x00}}), "object 0 has a real of unsupported size 2"},
      {"date marker with size 2", of({{0x32, 0x00}}), "object 0 has unsupported type 0x32"},
      {"UID beyond 64 bits", of({{0x88, 1, 0, 0, 0, 0, 0, 0, 0, 0}}), "object 0 has a UID beyond 64 bits"},
      {"null", of({{0x00}}), "object 0 has unsupported type 0x00"},
      {"unknown type", of({{0x70}}), "object 0 has unsupported type 0x70"},
      {"key not a string", of({{0xD1, 1, 1}, {0x10, 0x01}}), "dictionary key object 1 is not a string"},
      {"bad element", of({{0xA1, 1}, {0xE0}}), "object 1 has unsupported type 0xe0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(failure(parse(c.raw)), c.message);
  }
}

TEST(BinaryPlistReaderTest, EnforcesDepthCountAndSizeLimits) {
  // Four arrays inside one another around a string.
  RawPlist nested = of({{0xA1, 1}, {0xA1, 2}, {0xA1, 3}, {0xA1, 4}, kAsciiA});
  EXPECT_TRUE(parse(nested, PlistLimits{.maxDepth = 4}).has_value());
  EXPECT_EQ(failure(parse(nested, PlistLimits{.maxDepth = 3})), "nesting deeper than 3");
  EXPECT_EQ(failure(parse(nested, PlistLimits{.maxObjects = 4})), "5 objects exceed the limit of 4");

  // One string referred to eight times: few objects, many values.
  RawPlist fanOut = of({{0xA8, 1, 1, 1, 1, 1, 1, 1, 1},
                       {0x5C, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l'}});
  EXPECT_TRUE(parse(fanOut, PlistLimits{.maxObjects = 9}).has_value());
  EXPECT_EQ(failure(parse(fanOut, PlistLimits{.maxObjects = 8})), "more than 8 values");
  // 64 bytes of input would give 96 bytes of text.
  EXPECT_EQ(failure(parse(fanOut, PlistLimits{.maxBytes = 70})), "contents exceed 70 bytes");
  // 24 arrays each holding the next one twice: a tiny file that would unfold into 2^24 values stops at
  // the small-file allowance however much the caller allows; 64 KiB of one string referred to 32 times
  // stops at 16 times the file's size.
  RawPlist doubling;
  for (std::uint8_t next = 1; next <= 24; ++next) doubling.objects.push_back({0xA2, next, next});
  doubling.objects.push_back(kAsciiA);
  EXPECT_EQ(failure(parse(doubling, PlistLimits{.maxObjects = 1u << 26})), "more than 65536 values");
  RawPlist longText = of({{0xA0}});
  longText.objects[0] = {0xAF, 0x10, 32};
  longText.objects[0].insert(longText.objects[0].end(), 32, 1);
  longText.objects.push_back({0x5F, 0x12, 0x00, 0x01, 0x00, 0x00});
  longText.objects.back().resize(6 + 65536, 'x');
  const std::string limit = std::to_string(16 * longText.build().size());
  EXPECT_EQ(failure(parse(longText)), "contents exceed " + limit + " bytes");

  // Nesting is capped whatever the caller allows.
  RawPlist deep;
  deep.refSize = 2;
  deep.offsetSize = 2;
  for (std::size_t next = 1; next <= 600; ++next)
    deep.objects.push_back({0xA1, static_cast<std::uint8_t>(next >> 8), static_cast<std::uint8_t>(next)});
  deep.objects.push_back(kAsciiA);
  EXPECT_EQ(failure(parse(deep, PlistLimits{.maxDepth = 100000})), "nesting deeper than 512");
}

}  // namespace
}  // namespace corvane
