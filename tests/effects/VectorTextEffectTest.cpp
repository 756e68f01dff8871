// VectorTextEffect in a square headless context (one overlay unit per pixel): word choice, layout
// on change only, a word's span, the piece of a stroke at drawProgress 0.6, the spark phases.
// Long texts: MatrixGreetingsEffectTest; the bad-value sweep: AllEffectsTest.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>

#include "effects/VectorTextEffect.h"
#include "support/EffectHelpers.h"
#include "support/GlFixture.h"

namespace {

class VectorTextEffectTest : public GlFixture {
protected:
    VectorTextEffectTest() : GlFixture(200, 200) {}
    void SetUp() override {
        GlFixture::SetUp();
        e.init();
    }
    // The strokes of `word` laid out alone.
    static std::vector<Segment> strokesOf(const std::string& word) {
        VectorTextEffect single;
        single.init();
        single.setText(word);
        single.updateAllTracks(0.0f);
        return single.strokes;
    }
    std::vector<std::uint8_t> drawn(Keys keys) {
        glClear(GL_COLOR_BUFFER_BIT);
        drawWith(e, keys, 1.0f);
        return frame();
    }
    VectorTextEffect e;
};

TEST_F(VectorTextEffectTest, SelectsTheClampedWordKeepsEmptyWordsAndLaysOutOnlyOnChange) {
    const std::string d = e.text();  // the default "VORTELUX, PRESENTS, DEMOTITTEL"
    const std::tuple<std::string, float, std::string> cases[] = {
        {d, 1, "PRESENTS"}, {d, 7, "DEMOTITTEL"}, {d, -3, "VORTELUX"}, {d, NAN, "VORTELUX"}, {d, 1e30f, "DEMOTITTEL"},
        {"ab,,cd", 1, ""},  {"ab,,cd", 2, "CD"},  {"x, ", 1, ""},      {"  mixed Case 9 ", 0, "MIXED CASE 9"}, {"", 0, ""}};
    for (const auto& [text, select, word] : cases) {
        e.setText(text);
        setKeys(e, {{"textSelect", select}});
        e.updateAllTracks(1.0f);
        EXPECT_EQ(e.strokes, strokesOf(word)) << text << " #" << select;
        EXPECT_EQ(e.text(), text);
    }
    e.setText("CD");
    e.updateAllTracks(2.0f);
    e.strokes.clear();
    e.updateAllTracks(2.5f);
    EXPECT_TRUE(e.strokes.empty()) << "same text and word: not laid out again";
    setKeys(e, {{"textSelect", 0.6f}});
    e.updateAllTracks(3.0f);
    EXPECT_EQ(e.strokes, strokesOf("CD")) << "a new rounded index lays out again";
}

TEST_F(VectorTextEffectTest, AWordOfNLettersSpansFromMinus06nTo06nMinus02) {
    for (int n : {1, 4, 9}) {
        const std::vector<Segment> strokes = strokesOf(std::string(static_cast<std::size_t>(n), 'H'));
        float low = 1e9f, high = -1e9f;
        for (const Segment& s : strokes) low = std::min({low, s.x1, s.x2}), high = std::max({high, s.x1, s.x2});
        EXPECT_FLOAT_EQ(low, -0.6f * static_cast<float>(n));
        EXPECT_FLOAT_EQ(high, 0.6f * static_cast<float>(n) - 0.2f);
    }
}

TEST_F(VectorTextEffectTest, AtProgress06WithTrail025OnlyTheSecondQuarterOfEachStrokeShows) {
    e.setText("I");  // one stroke, x = -0.1, y -0.5 ... 0.5 in glyph units
    setKeys(e, {{"scale", 100}, {"antialiasing", 0}, {"sparkSize", 0}, {"thickness", 1}, {"drawProgress", 0.6f},
                {"trailLength", 0.25f}});
    // {pos.x, rot, the expected piece's x range, y range} in pixels (overlay unit + 100).
    const std::tuple<float, float, int, int, int, int> placements[] = {{0, 0, 90, 90, 75, 100}, {30, 0, 120, 120, 75, 100},
                                                                       {0, 90, 100, 125, 90, 90}};
    for (const auto& [x, rot, x0, x1, y0, y1] : placements) {
        const auto pixels = drawn({{"pos.x", x}, {"rot", rot}});
        int lit = 0;
        for (int i = 0, px = 0, y = 0; i < 200 * 200; ++i, px = i % 200, y = i / 200) {
            if (pixels[static_cast<std::size_t>(i) * 4 + 1] == 0) continue;
            ++lit;
            EXPECT_TRUE(px >= x0 - 1 && px <= x1 + 1 && y >= y0 - 1 && y <= y1 + 1) << px << "," << y << " rot " << rot;
        }
        EXPECT_GE(lit, 23) << "the piece is 25 units long";
    }
}

TEST_F(VectorTextEffectTest, SparksGatherThenFlyFromThePenTipsAndSparkSizeZeroRemovesOnlyThem) {
    glClear(GL_COLOR_BUFFER_BIT);
    const auto emptyFrame = frame();
    EXPECT_EQ(drawn({{"scale", 20}, {"drawProgress", 0.0f}}), emptyFrame) << "drawProgress 0 draws nothing";
    EXPECT_NE(drawn({{"drawProgress", 0.1f}}), emptyFrame) << "gathering sparks";
    EXPECT_EQ(drawn({{"sparkSize", 0}}), emptyFrame) << "no lines while gathering";
    const auto linesOnly = drawn({{"drawProgress", 0.6f}});
    EXPECT_NE(drawn({{"sparkSize", 6}}), linesOnly) << "pen-tip sparks";
    EXPECT_EQ(drawn({{"sparkBrightness", 0}}), linesOnly) << "no spark light: the lines alone";
}

}  // namespace
