#include "formats/byte_cursor.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace corvane {
namespace {

const std::vector<std::uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x88, 0x00};

TEST(ByteCursorTest, ReadsAtTheBoundaryAndFailsPastIt) {
  struct Case {
    const char* name;
    std::uint64_t start;
    std::function<std::uint64_t(ByteCursor&)> read;
    std::uint64_t expected;  // when it fits
    std::uint64_t end;       // the offset after a read that fits
  };
  const Case cases[] = {
      {"u8 at the last byte", 8, [](ByteCursor& c) { return c.u8(); }, 0x00, 9},
      {"be16 at the end", 7, [](ByteCursor& c) { return c.be16(); }, 0x8800, 9},
      {"le16 at the end", 7, [](ByteCursor& c) { return c.le16(); }, 0x0088, 9},
      {"be32", 5, [](ByteCursor& c) { return c.be32(); }, 0x06078800, 9},
      {"le32", 5, [](ByteCursor& c) { return c.le32(); }, 0x00880706, 9},
      {"u32 little-endian", 5, [](ByteCursor& c) { return c.u32(false); }, 0x00880706, 9},
      {"be64 widened with the top bit", 1, [](ByteCursor& c) { return c.be64(); }, 0x0203040506078800, 9},
      {"le64", 1, [](ByteCursor& c) { return c.le64(); }, 0x0088070605040302, 9},
      {"three-byte big-endian", 6, [](ByteCursor& c) { return c.be(3); }, 0x078800, 9},
      {"bytes to the end", 5, [](ByteCursor& c) { return c.bytes(4).size(); }, 4, 9},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    ByteCursor fits(kBytes);
    fits.seek(t.start);
    EXPECT_EQ(t.read(fits), t.expected);
    EXPECT_TRUE(fits.ok());
    EXPECT_EQ(fits.offset(), t.end);

    // One byte further on the same read does not fit: zero, the offset stays, the error is set.
    ByteCursor past(kBytes);
    past.seek(t.start + 1);
    EXPECT_EQ(t.read(past), 0u);
    EXPECT_FALSE(past.ok());
    EXPECT_EQ(past.offset(), t.start + 1);
  }
}

TEST(ByteCursorTest, ErrorIsStickyAndSlicesAreBounded) {
  ByteCursor c(kBytes);
  EXPECT_EQ(c.be32(), 0x01020304u);
  c.skip(6);  // only five are left
  EXPECT_FALSE(c.ok());
  EXPECT_EQ(c.offset(), 4u);
  EXPECT_EQ(c.u8(), 0u);  // fits, but the cursor has failed
  c.seek(0);
  EXPECT_EQ(c.offset(), 4u);
  EXPECT_FALSE(c.slice(0, 1).ok());

  ByteCursor d(kBytes);
  EXPECT_EQ(d.be(0), 0u);  // widths outside 1...8 fail
  EXPECT_FALSE(d.ok());
  ByteCursor e(kBytes);
  e.seek(10);
  EXPECT_FALSE(e.ok());
  EXPECT_EQ(e.offset(), 0u);
  ByteCursor text(kBytes);
  text.seek(6);
  EXPECT_EQ(text.cString(), "\x07\x88");
  EXPECT_EQ(text.offset(), 9u);  // past the NUL
  ByteCursor noNul(std::span<const std::uint8_t>(kBytes).first(8));
  EXPECT_EQ(noNul.cString(), "");
  EXPECT_FALSE(noNul.ok());
  EXPECT_EQ(noNul.offset(), 0u);

  ByteCursor whole(kBytes);
  whole.u8();
  ByteCursor part = whole.slice(7, 2);  // from the start, whatever the offset
  EXPECT_EQ(part.be16(), 0x8800u);
  EXPECT_TRUE(part.ok());
  EXPECT_FALSE(whole.slice(8, 2).ok());
  EXPECT_FALSE(whole.slice(UINT64_MAX, 2).ok());
  EXPECT_FALSE(whole.slice(2, UINT64_MAX).ok());
  EXPECT_TRUE(whole.slice(9, 0).ok());
  EXPECT_TRUE(whole.fits(4, 2));
  EXPECT_FALSE(whole.fits(5, 2));
  EXPECT_FALSE(whole.fits(UINT64_MAX, UINT64_MAX));
  EXPECT_FALSE(whole.fits(1, 0));
}

TEST(ByteCursorTest, ReadsCodesAndUtf16WithReplacement) {
  // 'A', U+00E9, a surrogate pair for U+1F34E, a lone high surrogate, 'B', a lone low one, one stray byte.
  const std::vector<std::uint8_t> bytes = {'B', 'u', 0xE9, '1',  0x00, 0x41, 0x00, 0xE9, 0xD8, 0x3C, 0xDF, 0x4E,
                                           0xD8, 0x00, 0x00, 0x42, 0xDC, 0x00, 0x00};
  ByteCursor r(bytes);
  EXPECT_EQ(r.fourCharCode(), "Bu\u00e91");
  EXPECT_EQ(r.utf16BE(4), "A\u00e9\U0001F34E");
  EXPECT_EQ(r.utf16BE(3), "\uFFFDB\uFFFD");
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.utf16BE(1) + r.fourCharCode(), "");
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.offset(), 18u);
  ByteCursor huge(bytes);
  EXPECT_EQ(huge.utf16BE(UINT64_MAX), "");
  EXPECT_FALSE(huge.ok());
  EXPECT_EQ(huge.offset(), 0u);
}

}  // namespace
}  // namespace corvane
