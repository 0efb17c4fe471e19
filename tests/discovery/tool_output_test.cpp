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

}  // namespace
}  // namespace corvane::tool_output
