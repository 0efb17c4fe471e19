#include "platform/unicode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/utf8.h"

namespace corvane::platform {
namespace {

TEST(UnicodeTest, LowercasesEveryScriptAndReplacesIllFormedBytes) {
  EXPECT_EQ(lowercased("Caf\xC3\x89 \xC3\x9CN\xC3\x8F" "CODE"), "caf\xC3\xA9 \xC3\xBCn\xC3\xAF" "code");  // CAFÉ ÜNÏCODE
  EXPECT_EQ(lowercased("\xE2\x85\xAB"), "\xE2\x85\xBB");  // Roman numeral twelve
  // The dotted capital I becomes i plus a combining dot, whatever the user's language.
  EXPECT_EQ(lowercased("\xC4\xB0"), "i\xCC\x87");
  EXPECT_EQ(lowercased("A\xFF" "B"), "a\xEF\xBF\xBD" "b");  // ill-formed bytes become replacement characters
  // A leading byte-order mark is a character like any other: kept, on every system.
  EXPECT_EQ(lowercased("\xEF\xBB\xBF\xC3\x84" "B"), "\xEF\xBB\xBF\xC3\xA4" "b");
}

TEST(UnicodeTest, AlphanumericMeansLettersMarksAndNumbers) {
  for (char32_t c : {U'a', U'7', U'\u0301' /* combining acute */, U'\u093F' /* vowel sign i, a spacing mark */,
                     U'\u4E2D', U'\u0663' /* Arabic-Indic 3 */, U'\u00BD' /* one half */,
                     U'\u2167' /* Roman eight */, U'\u02B0' /* modifier letter */}) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    EXPECT_TRUE(isAlphanumericScalar(c));
  }
  for (char32_t c : {U' ', U'.', U'\u30FB' /* katakana middle dot */, U'\U0001F680' /* rocket */, U'\uFFFD',
                     char32_t{0xD800}, char32_t{0x110000}}) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    EXPECT_FALSE(isAlphanumericScalar(c));
  }
}

TEST(UnicodeTest, CountsUserPerceivedCharacters) {
  EXPECT_EQ(characterCount("Word"), 4u);
  EXPECT_EQ(characterCount("e\xCC\x81te\xCC\x81"), 3u);                    // été, accents combining
  EXPECT_EQ(characterCount("\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5"), 1u);      // a flag: two regional indicators
  EXPECT_EQ(characterCount("\xFF\xFE"), 2u);
  EXPECT_EQ(characterCount("\xEF\xBB\xBF" "e\xCC\x81"), 2u);  // a leading byte-order mark counts once
}

TEST(UnicodeTest, ComparesIgnoringCaseButNotAccents) {
  EXPECT_EQ(localizedCaseInsensitiveCompare("Report", "rEPORT"), 0);
  EXPECT_LT(localizedCaseInsensitiveCompare("apple", "Banana"), 0);
  EXPECT_LT(localizedCaseInsensitiveCompare("Zeta", "zetas"), 0);
  EXPECT_NE(localizedCaseInsensitiveCompare("r\xC3\xA9sum\xC3\xA9", "resume"), 0);
  EXPECT_EQ(localizedCaseInsensitiveCompare("R\xC3\x89SUM\xC3\x89", "r\xC3\xA9sum\xC3\xA9"), 0);
  // Letters sort as people expect, not by code point: "é" sits with "e", before "f".
  EXPECT_LT(localizedCaseInsensitiveCompare("\xC3\xA9t\xC3\xA9", "fa"), 0);
  EXPECT_EQ(localizedCaseInsensitiveCompare("\xFF", "\xFF"), 0);
  EXPECT_EQ(localizedCaseInsensitiveCompare("\xEF\xBB\xBFName", "name"), 0);  // the mark weighs nothing
}

TEST(UnicodeTest, ComparesConsistentlyFromSeveralThreads) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 500; ++i) {
        if (localizedCaseInsensitiveCompare("alpha", "BETA") >= 0) ++wrong;
        if (localizedCaseInsensitiveCompare("Gamma", "gamma") != 0) ++wrong;
        if (characterCount("e\xCC\x81") != 1) ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST(Utf8Test, DecodesWellFormedTextAndReplacesEachIllFormedByte) {
  EXPECT_EQ(utf8::decode("a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x9A\x80"), U"a\u00E9\u4E2D\U0001F680");
  const std::u32string two(2, U'\uFFFD'), three(3, U'\uFFFD'), four(4, U'\uFFFD');
  EXPECT_EQ(utf8::decode("\xC0\xAF"), two);                 // overlong "/"
  EXPECT_EQ(utf8::decode("\xED\xA0\x80"), three);           // a surrogate
  EXPECT_EQ(utf8::decode("\xF4\x90\x80\x80"), four);        // above U+10FFFF
  EXPECT_EQ(utf8::decode("x\xE4\xB8"), U"x\uFFFD\uFFFD");    // cut short at the end
  EXPECT_EQ(utf8::decode("\x80" "a"), U"\uFFFDa");           // stray continuation byte
  EXPECT_EQ(utf8::decode("\xE4" "ab"), U"\uFFFDab");         // lead byte followed by ASCII
  EXPECT_EQ(utf8::sanitized("ok\xFF\xC3\xA9"), "ok\xEF\xBF\xBD\xC3\xA9");
  std::string out;
  for (char32_t c : {U'a', U'\u00E9', U'\u4E2D', U'\U0001F680', char32_t{0xDC00}, char32_t{0x110000}})
    utf8::append(out, c);
  EXPECT_EQ(out, "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x9A\x80\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace corvane::platform
