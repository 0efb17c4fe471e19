#include "corvane/formats/property_list.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sample_mac/plist_writer.h"
#include "sample_mac/sample_mac.h"
#include "platform/format_files.h"

namespace corvane {
namespace {

using testing::writeBinaryPlist;
using testing::writeXMLPlist;

std::span<const std::uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string failure(const Result<PropertyList>& result) {
  return result.has_value() ? "(parsed)" : result.error().message;
}

// One value of every kind, UIDs included.
PropertyList everyKind() {
  return PlistDictionary{
      {"string", "plain"},
      {"unicode", "caf\xC3\xA9 \xE2\x98\xBA \xF0\x9F\x98\x80 <&>\r\n\t"},
      {"empty", ""},
      {"integers", PlistArray{0, 1, -1, 255, 256, 65535, 65536, 4294967295LL, 4294967296LL,
                              std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()}},
      {"reals", PlistArray{0.0, -0.5, 3.141592653589793, 1e300, 5e-324, std::numeric_limits<double>::infinity(),
                           std::nan("")}},
      {"booleans", PlistArray{true, false}},
      {"dates", PlistArray{PlistDate{0}, PlistDate{-978307200}, PlistDate{789012345}}},
      {"data", PlistArray{PlistData{}, PlistData{{0, 1, 2, 0xFE, 0xFF}}}},
      {"uids", PlistArray{PlistUID{0}, PlistUID{255}, PlistUID{256}, PlistUID{4294967295u}}},
      {"nested", PlistDictionary{{"a", PlistArray{PlistDictionary{{"b", PlistArray{}}}, PlistDictionary{}}}}},
      {"string", "a repeated key"},
  };
}

TEST(PropertyListTest, Accessors) {
  PropertyList dict = PlistDictionary{{"name", "first"},
                                      {"count", 3},
                                      {"ratio", 0.25},
                                      {"list", PlistArray{"a", 1, "b", PlistArray{"c"}}},
                                      {"name", "second"}};
  EXPECT_EQ(dict.string("name"), "first");
  EXPECT_EQ(dict.string("count"), std::nullopt);
  EXPECT_EQ(dict.string("missing"), std::nullopt);
  EXPECT_EQ(dict.strings("list"), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(dict.strings("name").empty());
  EXPECT_EQ(dict.find("count")->asInteger(), 3);
  EXPECT_EQ(dict.find("count")->asReal(), 3.0);
  EXPECT_EQ(dict.find("ratio")->asReal(), 0.25);
  EXPECT_EQ(dict.find("ratio")->asInteger(), std::nullopt);
  EXPECT_EQ(dict.find("ratio")->asBoolean(), std::nullopt);
  EXPECT_EQ(PropertyList(false).asBoolean(), false);
  EXPECT_EQ(PropertyList("x").find("x"), nullptr);
  EXPECT_EQ(PropertyList(PlistUID{9}).asUID(), PlistUID{9});
  EXPECT_EQ(PropertyList(9).asUID(), std::nullopt);
  EXPECT_EQ(PropertyList(std::uint64_t{0xFFFFFFFFFFFFFFFF}).asInteger(), -1);
}

TEST(PropertyListTest, EachValueAnswersItsKindAndOnlyItsOwnAccessor) {
  using K = PropertyList::Kind;
  // Kinds that keep their value in the same field (integer, boolean, UID; real, date) never compare equal.
  const std::pair<PropertyList, K> values[] = {{"1", K::string}, {1, K::integer}, {true, K::boolean},
                                               {PlistUID{1}, K::uid}, {1.0, K::real}, {PlistDate{1}, K::date},
                                               {PlistData{{1}}, K::data}, {PlistArray{1}, K::array},
                                               {PlistDictionary{{"1", 1}}, K::dictionary}};
  for (const auto& [value, kind] : values) {
    SCOPED_TRACE(static_cast<int>(kind));
    EXPECT_EQ(value.kind(), kind);
    EXPECT_EQ(value.asString() != nullptr, kind == K::string);
    EXPECT_EQ(value.asInteger().has_value(), kind == K::integer);
    EXPECT_EQ(value.asBoolean().has_value(), kind == K::boolean);
    EXPECT_EQ(value.asUID().has_value(), kind == K::uid);
    EXPECT_EQ(value.asDate().has_value(), kind == K::date);
    EXPECT_EQ(value.asData() != nullptr, kind == K::data);
    EXPECT_EQ(value.asArray() != nullptr, kind == K::array);
    EXPECT_EQ(value.asDictionary() != nullptr, kind == K::dictionary);
    for (const auto& [other, otherKind] : values) EXPECT_EQ(value == other, kind == otherKind);
  }
}

TEST(PropertyListTest, RoundTripsThroughBothFormats) {
  const PropertyList value = everyKind();
  std::string xml = writeXMLPlist(value);
  auto fromXML = plist::parse(bytesOf(xml));
  ASSERT_TRUE(fromXML.has_value()) << failure(fromXML);
  EXPECT_EQ(*fromXML, value);
  auto fromBinary = plist::parse(writeBinaryPlist(value));
  ASSERT_TRUE(fromBinary.has_value()) << failure(fromBinary);
  EXPECT_EQ(*fromBinary, value);

  // Bare top-level values of each kind.
  for (const PropertyList& top : PlistArray{"x", 7, true, PlistUID{3}, PlistArray{}, PlistDictionary{}, PlistData{}}) {
    EXPECT_EQ(plist::parse(bytesOf(writeXMLPlist(top))).value_or(PropertyList(-1)), top);
    EXPECT_EQ(plist::parse(writeBinaryPlist(top)).value_or(PropertyList(-1)), top);
  }
  // XML dates keep whole seconds only.
  PropertyList date = PlistDate{10.75};
  EXPECT_NE(writeXMLPlist(date).find("<date>2001-01-01T00:00:10Z</date>"), std::string::npos);
  EXPECT_EQ(plist::parse(bytesOf(writeXMLPlist(date))).value_or(PropertyList()), PropertyList(PlistDate{10}));
  EXPECT_EQ(plist::parse(writeBinaryPlist(date)).value_or(PropertyList()), date);
  // The binary writer replaces ill-formed UTF-8.
  auto text = plist::parse(writeBinaryPlist(PropertyList("a\xFF\xC3\xA9\xED\xA0\x80" "b")));
  ASSERT_TRUE(text.has_value()) << failure(text);
  EXPECT_EQ(*text->asString(), "a\xEF\xBF\xBD\xC3\xA9\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" "b");
}

TEST(PropertyListTest, ParseLooksAtTheFirstBytes) {
  EXPECT_EQ(failure(plist::parse(bytesOf("bplist00"))), "binary property list: the trailer is truncated");
  EXPECT_EQ(failure(plist::parse(bytesOf("bplis"))), "XML property list: syntax error (line 1)");
}

TEST(PropertyListTest, ReadFileNamesThePathOfAFailure) {
  testing::TemporaryFolder folder;
  std::string good = testing::SampleMac::writeFile(folder.path() + "/good.plist", writeXMLPlist(everyKind()));
  auto result = plist::readFile(good);
  ASSERT_TRUE(result.has_value()) << failure(result);
  EXPECT_EQ(*result, everyKind());

  std::string bad = testing::SampleMac::writeFile(folder.path() + "/bad.plist", "<plist>");
  EXPECT_EQ(plist::readFile(bad).error(),
            Error::invalid("XML property list: no element found (line 1)", bad));

  auto tooBig = plist::readFile(good, PlistLimits{.maxBytes = 100});
  ASSERT_FALSE(tooBig.has_value());
  EXPECT_EQ(tooBig.error().code, EFBIG);
  EXPECT_EQ(tooBig.error().path, good);

  auto missing = plist::readFile(folder.path() + "/missing.plist");
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error().code, ENOENT);
}

}  // namespace
}  // namespace corvane
