#include "formats/strings_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sample_mac/plist_writer.h"

namespace corvane {
namespace {

using strings::StringsTable;

std::optional<StringsTable> parseBytes(const std::string& bytes) {
  return strings::parse(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

TEST(StringsTableTest, ReadsTheTextForm) {
  struct Case {
    const char* text;
    std::optional<StringsTable> expected;
  };
  const std::vector<Case> cases = {
      {"", StringsTable{}},
      {"/* a\n comment */ \"a\" = \"b\"; // to the end\n\t'x' = 'y\"';", StringsTable{{"a", "b"}, {"x", "y\""}}},
      {"key.1 = value_$/:.-; alone; \"a\"=\"1\";a=\"2\";", StringsTable{{"a", "2"}, {"alone", "alone"}, {"key.1", "value_$/:.-"}}},
      {R"("k" = "\n\t\r\"\'\\\q \U00e9\UD83D\UDE00\UD83D \101\7";)",
       StringsTable{{"k", "\n\t\r\"'\\q \u00e9\U0001F600\uFFFD A\a"}}},
      {"\"a\" = \"b\"", std::nullopt},       // no semicolon
      {"\"a\" = \"b;", std::nullopt},        // no closing quote
      {"\"a\" = \"b\\", std::nullopt},       // a backslash at the end
      {"/* open \"a\" = \"b\";", std::nullopt},
      {"= \"b\";", std::nullopt},
      {"\"a\" \"b\";", std::nullopt},
      {"\"a\" = ;", std::nullopt},
      {"a = b; }", std::nullopt},
      {"a+b = c;", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(strings::parseText(c.text), c.expected);
  }
}

TEST(StringsTableTest, TellsTheFormsApartAndKeepsItsLimits) {
  auto binary = testing::writeBinaryPlist(PlistDictionary{{"a", "b"}, {"n", 1}});
  std::string xml = testing::writeXMLPlist(PlistDictionary{{"a", "b"}, {"list", PlistArray{"x"}}});
  EXPECT_EQ(parseBytes(std::string(binary.begin(), binary.end())), (StringsTable{{"a", "b"}}));
  EXPECT_EQ(parseBytes(xml), (StringsTable{{"a", "b"}}));
  EXPECT_EQ(parseBytes(testing::writeXMLPlist(PlistArray{"a"})), std::nullopt);
  EXPECT_EQ(parseBytes("\xEF\xBB\xBF" "a = \"\xC3\xA9\xFF\";"), (StringsTable{{"a", "\u00e9\uFFFD"}}));
  EXPECT_EQ(parseBytes(std::string("\xFF\xFE" "a\0=\0b\0;\0", 10)), (StringsTable{{"a", "b"}}));
  EXPECT_EQ(parseBytes(std::string("\xFE\xFF" "\0a\0=\0b\0;", 10)), (StringsTable{{"a", "b"}}));
  EXPECT_EQ(parseBytes(std::string("\xFF\xFE" "a\0=\0b\0;", 9)), std::nullopt);  // half a code unit

  std::string entries;
  for (std::size_t i = 0; i < strings::kMaxStringsEntries; ++i) entries += "k" + std::to_string(i) + "=v;";
  EXPECT_EQ(parseBytes(entries).value_or(StringsTable{}).size(), strings::kMaxStringsEntries);
  EXPECT_EQ(parseBytes(entries + "one=more;"), std::nullopt);
  EXPECT_EQ(parseBytes(std::string(strings::kMaxStringsFileBytes + 1, ' ')), std::nullopt);
}

}  // namespace
}  // namespace corvane
