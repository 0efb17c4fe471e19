#include "discovery/tool_output.h"

#include <gtest/gtest.h>

namespace corvane::tool_output {
namespace {

TEST(ToolOutputTest, AcceptsOnlyWellFormedUTF8) {
  for (const char* good : {"", "plain", "caf\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xEF\xBF\xBF",
                           "\xF4\x8F\xBF\xBF"}) {
    SCOPED_TRACE(good);
    EXPECT_TRUE(isValidUTF8(std::string_view(good)));
  }
  EXPECT_TRUE(isValidUTF8(std::string_view("nul\0inside", 10)));
  const std::string_view bad[] = {
      "caf\xE9",              // Latin-1
      "\x80",                 // stray continuation byte
      "\xC3",                 // truncated at the end
      "\xE2\x82",             // truncated three-byte sequence
      "\xC0\xAF",             // overlong "/"
      "\xE0\x80\xAF",         // overlong three-byte
      "\xF0\x80\x80\xAF",     // overlong four-byte
      "\xED\xA0\x80",         // surrogate U+D800
      "\xF4\x90\x80\x80",     // above U+10FFFF
      "\xF5\x80\x80\x80",     // lead byte never used
      "\xE2\x28\xA1",         // continuation expected, "(" found
  };
  for (std::string_view text : bad) {
    SCOPED_TRACE(::testing::PrintToString(std::string(text)));
    EXPECT_FALSE(isValidUTF8(text));
  }
}

TEST(ToolOutputTest, TrimsWhiteSpaceAndLineBreaksOfAnyKindAtBothEndsOnly) {
  EXPECT_EQ(trimmedWhitespaceAndNewlines(" \t\r\n\v\f text  with\tinside \n\n"), "text  with\tinside");
  // NO-BREAK SPACE, IDEOGRAPHIC SPACE, LINE SEPARATOR, NEXT LINE around the text.
  EXPECT_EQ(trimmedWhitespaceAndNewlines("\xC2\xA0\xE3\x80\x80x\xE2\x80\xA8\xC2\x85"), "x");
  EXPECT_EQ(trimmedWhitespaceAndNewlines(" \n "), "");
  // ZERO WIDTH SPACE is not white space.
  EXPECT_EQ(trimmedWhitespaceAndNewlines("\xE2\x80\x8Bx "), "\xE2\x80\x8Bx");
}

TEST(ToolOutputTest, SplitsAtEveryKindOfLineBreakDroppingEmptyLines) {
  EXPECT_EQ(nonEmptyLines("a\nb\r\nc\rd\n\n\ne\xE2\x80\xA9" "f\xC2\x85" "g"),
            (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g"}));
  EXPECT_EQ(nonEmptyLines("\n\n"), std::vector<std::string>{});
  EXPECT_EQ(nonEmptyLines(" spaced \n"), std::vector<std::string>{" spaced "});
  EXPECT_EQ(nonEmptyLines("bad\xE9\nnext"), (std::vector<std::string>{"bad\xE9", "next"}));
}

}  // namespace
}  // namespace corvane::tool_output
