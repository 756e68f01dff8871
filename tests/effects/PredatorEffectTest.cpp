// PredatorEffect in a real GL context of 960 x 540: the tint multiplying a flat grey picture,
// nothing at intensity 0, scanlines in project pixels, and the right dot-glyph column. The
// bad-value sweep: AllEffectsTest.
#include <gtest/gtest.h>

#include <cmath>

#include "core/ProjectGlobals.h"
#include "effects/PredatorEffect.h"
#include "support/EffectHelpers.h"
#include "support/GlFixture.h"

namespace {

class PredatorEffectTest : public GlFixture {
protected:
    PredatorEffectTest() : GlFixture(960, 540) {}
    void SetUp() override { GlFixture::SetUp(), e.init(); }
    void render(float time, float grey) {
        glClearColor(grey, grey, grey, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        e.updateAllTracks(time), e.render();
    }
    PredatorEffect e;
};

// Grey 128 times the fan colour: the centre's (2, 1, 0.5) clamps to (1, 1, 0.5); at row 2 the
// rim's (0.1, 0.2, 1.5 -> 1) takes the centre's in by 2.5 / 270 (the fan's lower triangle).
// Rows 2 and 270 lie between scanlines. At intensity 0 the frame stays as it was.
TEST_F(PredatorEffectTest, TintMultipliesTheFrameAndIntensityZeroDrawsNothing) {
    render(1.0f, 128.0f / 255.0f);
    const float w = 2.5f / 270.0f, centre[3] = {128, 128, 64}, edge[3] = {128 * (0.1f + w * 0.9f), 128 * (0.2f + w * 0.8f), 128};
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(std::abs(pixel(480, 270)[c] - centre[c]) < 1.5f && std::abs(pixel(400, 2)[c] - edge[c]) < 1.5f) << c;
    const std::vector<std::uint8_t> before = frame();
    drawWith(e, {{"intensity", 0.0f}, {"uiAlpha", 1.0f}}, 1.0f);
    EXPECT_TRUE(frame() == before);
}

// A 480 x 270 project on the 960 x 540 frame: a line every 4 project rows is one every 8
// frame rows, 2 pixels wide (rows 8k - 1 and 8k), darkening by a quarter.
TEST_F(PredatorEffectTest, ScanlinesEveryFourProjectRows) {
    projectWidth = 480, projectHeight = 270;
    render(1.0f, 0.8f);
    for (int y = 16; y < 200; ++y) {
        const float ratio = static_cast<float>(pixel(100, y)[2]) / static_cast<float>(pixel(100, y - y % 8 + 3)[2]);
        EXPECT_NEAR(ratio, y % 8 == 7 || y % 8 == 0 ? 0.75f : 1.0f, 0.03f) << "row " << y;
    }
}

// On black only the red display shows: the dot (side 1, row j, column 0) of 6 x 6 pixels at
// x = 960 - 108 = 852, y = 81 + 18.9 j, lit where the hash says, in (1, 0.1, 0.1) * 0.8.
TEST_F(PredatorEffectTest, RightGlyphColumnAtX852FollowsTheHash) {
    const float time = 2.3f, f = std::floor(time * 15.0f);
    render(time, 0.0f);
    int lit = 0;
    for (int j = 0; j < 20; ++j) {
        const float hash = std::sin(0.0f * 17.3f + (f + static_cast<float>(j) * 37.1f) + 1.0f * 91.2f) * 43758.547f;
        const bool on = std::fmod(std::fabs(hash), 1.0f) > 0.5f;
        const auto px = pixel(852, static_cast<int>(81.0f + static_cast<float>(j) * 18.9f));
        EXPECT_TRUE(std::abs(px[0] - (on ? 204 : 0)) <= 1 && std::abs(px[2] - (on ? 20 : 0)) <= 1) << "row " << j;
        lit += on;
    }
    EXPECT_TRUE(lit > 3 && lit < 17) << lit;
}

}  // namespace
