// PredatorEffect in a real GL context of 960 x 540: the multiplying tint on a flat grey
// picture, the scanlines in project pixels, the dot-glyph column of the formula, and nothing
// at all at intensity 0.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>

#include "core/ProjectGlobals.h"
#include "effects/PredatorEffect.h"
#include "support/BadInput.h"
#include "support/GlFixture.h"
#include "support/TrackTable.h"

namespace {

class PredatorEffectTest : public GlFixture {
protected:
    PredatorEffectTest() : GlFixture(960, 540) {}
    void SetUp() override {
        GlFixture::SetUp();
        resetProjectGlobals();
        e.init();
    }
    void TearDown() override {
        resetProjectGlobals();
        GlFixture::TearDown();
    }
    void render(float time, float grey) {
        glClearColor(grey, grey, grey, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        e.updateAllTracks(time);
        e.render();
    }
    PredatorEffect e;
};

// Grey 128 times the fan colour: the centre vertex's (2, 1, 0.5) is clamped to (1, 1, 0.5);
// near the lower left corner the rim colour (0.1, 0.2, 1.5 -> 1) mixes in the centre's by
// y / 270 (the lower triangle of the fan). Rows 2 and 270 lie between scanlines.
TEST_F(PredatorEffectTest, TintMultipliesTheFrameTowardsOrangeInTheCentreAndBlueAtTheEdges) {
    expectTrackTable(e, {
                            {"enabled", 0, 1, 1, true, InterpType::Step, &e.enabled},
                            {"intensity", 0, 1, 1, false, InterpType::Linear, &e.intensity},
                            {"uiAlpha", 0, 1, 0.8f, false, InterpType::Linear, &e.uiAlpha},
                            {"scanSpeed", 0, 50, 15, false, InterpType::Linear, &e.scanSpeed},
                        });
    render(1.0f, 128.0f / 255.0f);
    const auto centre = pixel(480, 270);
    EXPECT_NEAR(centre[0], 128, 1);
    EXPECT_NEAR(centre[1], 128, 1);
    EXPECT_NEAR(centre[2], 64, 1);
    const float w = 2.5f / 270.0f;  // weight of the centre vertex at pixel row 2
    const auto corner = pixel(400, 2);
    EXPECT_NEAR(corner[0], 128 * (0.1f + w * 0.9f), 1.5);
    EXPECT_NEAR(corner[1], 128 * (0.2f + w * 0.8f), 1.5);
    EXPECT_NEAR(corner[2], 128, 1.5);
}

// A 480 x 270 project on a 960 x 540 frame: a line every 4 project rows is one every 8 frame
// rows, 2 frame pixels wide (frame rows 8k - 1 and 8k), darkened by a quarter.
TEST_F(PredatorEffectTest, ScanlinesEveryFourProjectRows) {
    projectWidth = 480;
    projectHeight = 270;
    render(1.0f, 0.8f);
    for (int y = 16; y < 200; ++y) {
        const bool dark = y % 8 == 7 || y % 8 == 0;
        const int clean = y - y % 8 + 3;
        const float ratio = static_cast<float>(pixel(100, y)[2]) / static_cast<float>(pixel(100, clean)[2]);
        EXPECT_NEAR(ratio, dark ? 0.75f : 1.0f, 0.03f) << "row " << y;
    }
}

TEST_F(PredatorEffectTest, IntensityZeroDrawsNothingWhateverTheDisplayAlpha) {
    e.findTrack("intensity")->setKey(0.0f, 0.0f, InterpType::Linear);
    e.findTrack("uiAlpha")->setKey(0.0f, 1.0f, InterpType::Linear);
    render(1.0f, 0.5f);
    std::vector<std::uint8_t> grey(960 * 540 * 4, 128);
    for (std::size_t i = 3; i < grey.size(); i += 4) grey[i] = 255;
    EXPECT_TRUE(frame() == grey);
}

// On black the tint stays black and only the red display shows: dot (side 1, row j, column 0)
// of 6 x 6 pixels at x = 960 - 108 = 852, y = 81 + j * 18.9, lit as the hash says.
TEST_F(PredatorEffectTest, RightGlyphColumnAtX852FollowsTheHash) {
    const float time = 2.3f, frameNumber = std::floor(time * 15.0f);
    render(time, 0.0f);
    int lit = 0;
    for (int j = 0; j < 20; ++j) {
        const float hash = std::sin(0.0f * 17.3f + (frameNumber + static_cast<float>(j) * 37.1f) + 1.0f * 91.2f) * 43758.547f;
        const bool on = std::fmod(std::fabs(hash), 1.0f) > 0.5f;
        lit += on;
        const auto px = pixel(852, static_cast<int>(81.0f + static_cast<float>(j) * 18.9f));
        EXPECT_NEAR(px[0], on ? 204 : 0, 1) << "row " << j;
        EXPECT_NEAR(px[2], on ? 20.4 : 0, 1) << "row " << j;
    }
    EXPECT_GT(lit, 3);
    EXPECT_LT(lit, 17);
}

TEST_F(PredatorEffectTest, SurvivesBadTrackValuesTimesAndViewports) {
    expectSurvivesBadInput(e, {"intensity", "uiAlpha", "scanSpeed"});
}

}  // namespace
