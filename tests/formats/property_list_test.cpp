#include "corvane/formats/property_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

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

TEST(PropertyListTest, Equality) {
  EXPECT_EQ(PropertyList(std::nan("")), PropertyList(std::nan("")));
  EXPECT_EQ(PropertyList(PlistDate{std::nan("")}), PropertyList(PlistDate{std::nan("")}));
  EXPECT_EQ(PropertyList(0.0), PropertyList(-0.0));
  EXPECT_NE(PropertyList(1), PropertyList(1.0));
  EXPECT_NE(PropertyList(1), PropertyList(PlistUID{1}));
  EXPECT_NE(PropertyList(1), PropertyList(true));
  EXPECT_NE(PropertyList(PlistArray{1, 2}), PropertyList(PlistArray{2, 1}));
  EXPECT_NE(PropertyList(PlistDictionary{{"a", 1}, {"b", 2}}), PropertyList(PlistDictionary{{"b", 2}, {"a", 1}}));
  EXPECT_EQ(everyKind(), everyKind());
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

TEST(PropertyListTest, BinaryWriterChoosesTheSmallestSizes) {
  // [1, 256, -1, "ab", UID 300]
  std::vector<std::uint8_t> bytes = writeBinaryPlist(PlistArray{1, 256, -1, "ab", PlistUID{300}});
  const std::vector<std::uint8_t> expected = {
      'b', 'p', 'l', 'i', 's', 't', '0', '0',
      0xA5, 1, 2, 3, 4, 5,                                      // array of five, 1-byte references
      0x10, 0x01,                                               // 1
      0x11, 0x01, 0x00,                                         // 256
      0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,     // -1 takes 8 bytes
      0x52, 'a', 'b',                                           // ASCII string
      0x81, 0x01, 0x2C,                                         // UID in 2 bytes
      8, 14, 16, 19, 28, 31,                                    // offset table, 1-byte offsets
      0, 0, 0, 0, 0, 0, 1, 1,                                   // trailer: offset and reference sizes
      0, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 34};
  EXPECT_EQ(bytes, expected);

  // 300 elements need 2-byte references and an extended count; 70,000 bytes of data need 4-byte offsets.
  PlistArray many;
  for (int i = 0; i < 300; ++i) many.push_back(i);
  many.push_back(PlistData{std::vector<std::uint8_t>(70000, 0xAB)});
  many.push_back("after the data");
  PropertyList big = many;
  bytes = writeBinaryPlist(big);
  ASSERT_GE(bytes.size(), 40u);
  EXPECT_EQ(bytes[bytes.size() - 26], 4);  // offset size
  EXPECT_EQ(bytes[bytes.size() - 25], 2);  // reference size
  EXPECT_EQ((std::vector<std::uint8_t>(bytes.begin() + 8, bytes.begin() + 12)),
            (std::vector<std::uint8_t>{0xAF, 0x11, 0x01, 0x2E}));  // array, count 302 follows as a 2-byte integer
  EXPECT_EQ(plist::parse(bytes).value_or(PropertyList()), big);
}

TEST(PropertyListTest, ParseLooksAtTheFirstBytes) {
  EXPECT_EQ(failure(plist::parse(bytesOf("bplist00"))), "binary property list: the trailer is truncated");
  EXPECT_EQ(failure(plist::parse(bytesOf("bplist17 and more bytes than a trailer holds........"))),
            "binary property list: unsupported version \"17\"");
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

// An independent reader and writer: Python's plistlib, when present.
TEST(PropertyListTest, AgreesWithPythonPlistlib) {
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 not found";
  testing::TemporaryFolder folder;
  const std::string ours = folder.path() + "/ours.plist";
  const std::string theirs = folder.path() + "/theirs.plist";
  const std::string report = folder.path() + "/report.txt";
  std::vector<std::uint8_t> bytes = writeBinaryPlist(PlistDictionary{{"name", "caf\xC3\xA9 \xF0\x9F\x98\x80"},
                                                                      {"n", PlistArray{-1, 65536, 4294967296LL}},
                                                                      {"ref", PlistUID{300}},
                                                                      {"when", PlistDate{86400}},
                                                                      {"blob", PlistData{{1, 2, 3}}},
                                                                      {"half", 0.5}});
  testing::SampleMac::writeFile(ours, std::string(bytes.begin(), bytes.end()));
  // Python reads ours and says whether it is what we wrote; then it writes a keyed-archive-like plist
  // (keys sorted, 2^63+5 as a 16-byte integer) for us to read.
  const std::string script =
      "import plistlib, sys, datetime\n"
      "v = plistlib.load(open(sys.argv[1], 'rb'))\n"
      "w = datetime.datetime(2001, 1, 2)\n"
      "ok = v == {'name': 'caf\\u00e9 \\U0001F600', 'n': [-1, 65536, 4294967296], 'ref': plistlib.UID(300),\n"
      "           'when': w, 'blob': b'\\x01\\x02\\x03', 'half': 0.5}\n"
      "open(sys.argv[3], 'w').write('same' if ok else repr(v))\n"
      "objs = ['$null', {'name': plistlib.UID(2), 'kind': plistlib.UID(2)}, 'shared', 2**63 + 5]\n"
      "plistlib.dump({'$archiver': 'NSKeyedArchiver', '$objects': objs, '$top': {'root': plistlib.UID(1)}},\n"
      "              open(sys.argv[2], 'wb'), fmt=plistlib.FMT_BINARY)\n";
  std::string check = testing::SampleMac::writeFile(folder.path() + "/check.py", script);
  ASSERT_EQ(std::system(("python3 " + check + " " + ours + " " + theirs + " " + report).c_str()), 0);
  EXPECT_EQ(testing::SampleMac::readFile(report), "same");

  auto result = plist::readFile(theirs);
  ASSERT_TRUE(result.has_value()) << failure(result);
  PropertyList expected = PlistDictionary{
      {"$archiver", "NSKeyedArchiver"},
      {"$objects", PlistArray{"$null", PlistDictionary{{"kind", PlistUID{2}}, {"name", PlistUID{2}}}, "shared",
                              std::int64_t(0x8000000000000005ULL)}},  // 2^63+5 keeps its 64 bits
      {"$top", PlistDictionary{{"root", PlistUID{1}}}}};
  EXPECT_EQ(*result, expected);
}

}  // namespace
}  // namespace corvane
