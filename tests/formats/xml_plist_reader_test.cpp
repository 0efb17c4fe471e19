#include <gtest/gtest.h>

#include <cmath>

#include "corvane/formats/property_list.h"

namespace corvane {
namespace {

Result<PropertyList> parse(const std::string& text, const PlistLimits& limits = {}) {
  return plist::parseXML(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), limits);
}

std::string failure(const Result<PropertyList>& result) {
  return result.has_value() ? "(parsed)" : result.error().message;
}

// A document whose <plist> holds `body`.
std::string doc(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
         "<plist version=\"1.0\">" +
         body + "</plist>\n";
}

TEST(XMLPlistReaderTest, RefusesEntityDeclarationsAndUndefinedEntities) {
  const std::string laughs =
      "<?xml version=\"1.0\"?>\n"
      "<!DOCTYPE plist [\n"
      " <!ENTITY lol \"lol\">\n"
      " <!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n"
      " <!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">\n"
      "]>\n"
      "<plist><string>&lol3;</string></plist>\n";
  EXPECT_EQ(failure(parse(laughs)), "XML property list: entity declarations are not allowed (\"lol\") (line 3)");
  const std::string external =
      "<?xml version=\"1.0\"?>\n"
      "<!DOCTYPE plist [<!ENTITY file SYSTEM \"file:///etc/passwd\">]>\n"
      "<plist><string>&file;</string></plist>\n";
  EXPECT_EQ(failure(parse(external)), "XML property list: entity declarations are not allowed (\"file\") (line 2)");
  // With an external DTD that is never read, an unknown entity would otherwise vanish silently.
  EXPECT_EQ(failure(parse(doc("<string>a&nbsp;b</string>"))), "XML property list: undefined entity \"nbsp\" (line 3)");
  EXPECT_EQ(failure(parse("<plist><string>&nbsp;</string></plist>")),
            "XML property list: undefined entity (line 1)");
}

TEST(XMLPlistReaderTest, ReadsScalars) {
  struct Case {
    std::string element;
    PropertyList value;
  };
  const Case cases[] = {
      {"<integer> 42 </integer>", 42},
      {"<integer>-9223372036854775808</integer>", std::numeric_limits<std::int64_t>::min()},
      {"<integer>+0x1F</integer>", 31},
      {"<integer>18446744073709551615</integer>", -1},  // the 64 bits of 2^64-1
      {"<real>-2.5e3</real>", -2500.0},
      {"<real>7</real>", 7.0},
      {"<real>+infinity</real>", std::numeric_limits<double>::infinity()},
      {"<real>nan</real>", std::nan("")},
      {"<date>2001-01-01T00:00:01Z</date>", PlistDate{1}},
      {"<data>\n\tAAEC\n\t/w==\n</data>", PlistData{{0, 1, 2, 0xFF}}},
      {"<data>/w</data>", PlistData{{0xFF}}},  // padding left out
      {"<data></data>", PlistData{}},
      {"<dict><key>CF$UID</key><integer>12</integer></dict>", PlistUID{12}},
      {"<dict><key>CF$UID</key><integer>-1</integer></dict>", PlistDictionary{{"CF$UID", -1}}},
      {"<dict><key>CF$UID</key><string>1</string></dict>", PlistDictionary{{"CF$UID", "1"}}},
      {"<dict><key>CF$UID</key><integer>1</integer><key>x</key><true/></dict>",
       PlistDictionary{{"CF$UID", 1}, {"x", true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.element);
    auto result = parse(doc(c.element));
    ASSERT_TRUE(result.has_value()) << failure(result);
    EXPECT_EQ(*result, c.value);
  }
}

TEST(XMLPlistReaderTest, RefusesMalformedScalars) {
  struct Case {
    std::string element;
    std::string message;
  };
  const Case cases[] = {
      {"<integer>12a</integer>", "XML property list: bad <integer> \"12a\" (line 3)"},
      {"<integer>18446744073709551616</integer>", "XML property list: bad <integer> \"18446744073709551616\" (line 3)"},
      {"<integer>-9223372036854775809</integer>", "XML property list: bad <integer> \"-9223372036854775809\" (line 3)"},
      {"<real>1.5.2</real>", "XML property list: bad <real> \"1.5.2\" (line 3)"},
      {"<real>1e999</real>", "XML property list: bad <real> \"1e999\" (line 3)"},
      {"<date>2001-13-01T00:00:00Z</date>", "XML property list: bad <date> \"2001-13-01T00:00:00Z\" (line 3)"},
      {"<data>AA*A</data>", "XML property list: bad base64 in <data> (line 3)"},
      {"<data>A</data>", "XML property list: bad base64 in <data> (line 3)"},
      {"<true>yes</true>", "XML property list: unexpected text inside <true> (line 3)"},
      {"<string>a<b/></string>", "XML property list: unknown element <b> (line 3)"},
      {"<string>a<string/></string>", "XML property list: unexpected <string> inside <string> (line 3)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.element);
    EXPECT_EQ(failure(parse(doc(c.element))), c.message);
  }
}

TEST(XMLPlistReaderTest, RefusesWrongStructure) {
  struct Case {
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {"<dict><key>a</key><string>b</string></dict>",
       "XML property list: the root element is <dict>, not <plist> (line 1)"},
      {"<plist><dict><key>a</key></dict></plist>", "XML property list: key \"a\" has no value (line 1)"},
      {"<plist><dict><key>a</key><key>b</key><true/></dict></plist>",
       "XML property list: key \"a\" has no value (line 1)"},
      {"<plist><dict><string>a</string></dict></plist>", "XML property list: <string> in <dict> without a <key> (line 1)"},
      {"<plist><dict>hello<key>a</key><true/></dict></plist>", "XML property list: unexpected text inside <dict> (line 1)"},
      {"<plist><true/><false/></plist>", "XML property list: <plist> holds more than one value (line 1)"},
      {"<plist></plist>", "XML property list: <plist> holds no value (line 1)"},
      {"<plist><array><key>a</key></array></plist>", "XML property list: unexpected <key> in <array> (line 1)"},
      {"<plist><array><plist/></array></plist>", "XML property list: unexpected <plist> in <array> (line 1)"},
      {"<plist><key>a</key></plist>", "XML property list: unexpected <key> in <plist> (line 1)"},
      // What expat itself refuses.
      {"<plist><dict><key>a</key><string>b</string></plist>", "XML property list: mismatched tag (line 1)"},
      {"<plist><dict>\n<key>a</key><string>b</string>\n", "XML property list: no element found (line 3)"},
      {"<plist><true/></plist>trailing", "XML property list: junk after document element (line 1)"},
      {"before<plist><true/></plist>", "XML property list: not well-formed (invalid token) (line 1)"},
      {"<plist><string>\xFF</string></plist>", "XML property list: not well-formed (invalid token) (line 1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(failure(parse(c.text)), c.message);
  }
}

TEST(XMLPlistReaderTest, EnforcesLimits) {
  const std::string nested = doc("<array><array><dict><key>k</key><array/></dict></array></array>");
  EXPECT_TRUE(parse(nested, PlistLimits{.maxDepth = 4}).has_value());
  EXPECT_EQ(failure(parse(nested, PlistLimits{.maxDepth = 3})), "XML property list: nesting deeper than 3 (line 3)");
  // plist, array, array, dict, key, array: six elements.
  EXPECT_TRUE(parse(nested, PlistLimits{.maxObjects = 6}).has_value());
  EXPECT_EQ(failure(parse(nested, PlistLimits{.maxObjects = 5})), "XML property list: more than 5 elements (line 3)");
  EXPECT_EQ(failure(parse(nested, PlistLimits{.maxBytes = 100})),
            "XML property list: " + std::to_string(nested.size()) + " bytes exceed the limit of 100");

  std::string deep = "<plist>";
  for (int i = 0; i < 600; ++i) deep += "<array>";
  for (int i = 0; i < 600; ++i) deep += "</array>";
  deep += "</plist>";
  EXPECT_EQ(failure(parse(deep, PlistLimits{.maxDepth = 100000})), "XML property list: nesting deeper than 512 (line 1)");
}

}  // namespace
}  // namespace corvane
