// The two stroke fonts: the segment count of every code (none where there is no glyph), and a
// few exact segments, including the glyphs in which the fonts differ ("0" and "1").
#include <gtest/gtest.h>

#include <algorithm>

#include "core/StrokeFont.h"

namespace {

TEST(StrokeFontTest, SegmentCountsOfEveryCodeAndExactSegments) {
    // From the font table: letters A ... Z, digits 0 ... 9 of the rain font, then 0x80 ... 0x8C.
    const int letters[] = {3, 8, 7, 6, 4, 3, 8, 3, 1, 5, 3, 2, 4, 3, 8, 5, 9, 6, 7, 2, 5, 2, 4, 2, 3, 3};
    const int digits[] = {5, 3, 5, 5, 3, 5, 5, 2, 5, 5}, symbols[] = {2, 2, 3, 2, 3, 4, 4, 4, 3, 2, 2, 3, 1};
    const StrokeFont &rain = StrokeFont::rain(), &text = StrokeFont::vectorText();
    for (int code = 0; code < 256; ++code) {
        std::size_t rainCount = code == '!' ? 2 : code == '?' ? 5 : code == '.' ? 1 : 0, textCount = 0;
        if (code >= 'A' && code <= 'Z') rainCount = textCount = static_cast<std::size_t>(letters[code - 'A']);
        if (code >= '0' && code <= '9') rainCount = textCount = static_cast<std::size_t>(digits[code - '0']);
        if (code == '0' || code == '1') textCount = code == '0' ? 4 : 1;
        if (code >= 0x80 && code <= 0x8C) rainCount = static_cast<std::size_t>(symbols[code - 0x80]);
        const auto c = static_cast<unsigned char>(code);
        EXPECT_TRUE(rain.glyph(c).size() == rainCount && rain.has(c) == (rainCount > 0)) << "rain code " << code;
        EXPECT_EQ(text.glyph(c).size(), textCount) << "vector code " << code;
    }
    EXPECT_EQ(rain.glyphs().size(), 52u);
    EXPECT_EQ(text.glyphs().size(), 36u);
    const Segment box[] = {{0, 0, 0, 1}, {0, 1, 1, 1}, {1, 1, 1, 0}, {1, 0, 0, 0}};
    EXPECT_TRUE(std::equal(box, box + 4, text.glyph('0').begin()) && std::equal(box, box + 4, rain.glyph('0').begin()));
    EXPECT_EQ(rain.glyph('0')[4], (Segment{0, 0, 1, 1}));
    EXPECT_EQ(text.glyph('1')[0], (Segment{0.5f, 0, 0.5f, 1}));
    EXPECT_EQ(rain.glyph('1')[2], (Segment{0.2f, 0, 0.8f, 0}));
    EXPECT_EQ(rain.glyph('Q')[8], (Segment{0.6f, 0.4f, 1, 0}));  // O's eight, then the tail
    EXPECT_EQ(text.glyph('R')[5], (Segment{0.5f, 0.5f, 1, 0}));  // P's five, then the leg
    EXPECT_EQ(rain.glyph(0x86)[3], (Segment{0.5f, 0.1f, 0.2f, 0.1f}));
}

}  // namespace
