// RadarImageryEffect in a real GL context: no read-back at radarMix 0, the grey rows and sweep
// bands of a flat picture and its negative, the fast processing against the plain loop on a
// real frame (bytes and generator state), and a letterboxed viewport read at its origin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/Random.h"
#include "effects/LeftfieldAutomataEffect.h"
#include "effects/RadarImageryEffect.h"
#include "support/EffectHelpers.h"
#include "support/GlFixture.h"

namespace {

constexpr int kW = 300, kH = 170;  // not a multiple of the processing's blocks or row chunks

class RadarImageryEffectTest : public GlFixture {
protected:
    RadarImageryEffectTest() : GlFixture(kW, kH) {}
    void SetUp() override { GlFixture::SetUp(), e.init(), set("radarMix", 1.0f); }
    void set(const char* track, float value) { e.findTrack(track)->setKey(0.0f, value, InterpType::Step); }
    void render(float time) { e.updateAllTracks(time), e.render(); }
    static std::vector<std::uint8_t> plain(const RadarImageryEffect::Settings& k) {
        std::vector<std::uint8_t> in(kW * kH * 3), out(kW * kH * 3);
        glReadPixels(0, 0, kW, kH, GL_RGB, GL_UNSIGNED_BYTE, in.data());  // rows of 900 bytes: no padding
        RadarImageryEffect::processImagePlain(in.data(), kW, kH, k, out.data());
        return out;
    }
    RadarImageryEffect e;
};

// A flat (200, 100, 50) picture, noise 0. At t = 0.9 the sweep is at row fmod(144, 170) = 144:
// 7 bright rows around it and 3 dark ones around 144 - 85 = 59, inverted in the negative; the
// crosshair is grey 0.9 (0.1) at alpha 0.8. radarMix 0 reads nothing back.
TEST_F(RadarImageryEffectTest, FlatPictureGivesGreyRowsWithTheSweepBandsAndItsNegative) {
    set("radarMix", 0.0f);
    const std::uint32_t state = runtime::randState();
    render(0.9f);
    EXPECT_TRUE(e.readBuffer.empty() && e.imageTexture == 0u && runtime::randState() == state);
    set("radarMix", 1.0f), set("noiseIntensity", 0.0f);
    for (bool negative : {false, true}) {
        set("isNegative", negative ? 1.0f : 0.0f);
        glClearColor(200 / 255.0f, 100 / 255.0f, 50 / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        const std::vector<std::uint8_t> expected = plain({1.8f, 0.0f, negative, 144.0f});
        render(0.9f);
        const int flat = expected[0];
        for (int row = 0; row < kH; ++row) {
            const int grey = expected[row * kW * 3], band = std::abs(row - 144) < 4 ? 1 : std::abs(row - 59) < 2 ? -1 : 0;
            EXPECT_EQ(pixel(3, row)[0], grey) << "row " << row;  // column 3 lies off the display
            EXPECT_EQ((grey > flat) - (grey < flat), negative ? -band : band) << "row " << row;
        }
        EXPECT_NEAR(pixel(kW / 2 - 40, kH / 2)[1], (negative ? 0.1f : 0.9f) * 0.8f * 255 + flat * 0.2f, 2.0);
    }
}

// A real frame (the automaton field), noise on: the fast processing of the effect's RGBA
// read-back gives the plain loop's bytes (a channel may be 1 off in at most 0.1 % of pixels,
// where the power's last bit rounds otherwise) and leaves the generator where the plain loop does.
TEST_F(RadarImageryEffectTest, FastProcessingMatchesThePlainLoopOnARealFrame) {
    LeftfieldAutomataEffect field;
    field.init(), field.updateAllTracks(3.0f), field.render();
    std::vector<std::uint32_t> rgba(kW * kH);
    glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    std::vector<std::uint8_t> grey(kW * kH);
    for (RadarImageryEffect::Settings k : {RadarImageryEffect::Settings{1.8f, 0.15f, false, 44.0f}, {0.5f, 0.3f, true, 169.5f}, {4.0f, 1.0f, false, -3.0f}}) {
        runtime::srand(20240611u);
        const std::vector<std::uint8_t> expected = plain(k);
        const std::uint32_t after = runtime::randState();
        runtime::srand(20240611u);
        RadarImageryEffect::processImage(rgba.data(), kW, kH, k, grey.data());
        EXPECT_EQ(runtime::randState(), after);
        int differing = 0, largest = 0;
        for (int i = 0; i < kW * kH; ++i) {
            const int d = std::abs(grey[i] - expected[i * 3]);
            differing += d != 0, largest = std::max(largest, d);
        }
        EXPECT_TRUE(largest <= 1 && differing <= kW * kH / 1000) << k.contrast << ": " << differing << " off by " << largest;
    }
}

// Red bars around a blue 160 x 80 viewport at (20, 10): the image shows the viewport's own
// pixels (contrast 1: grey = luminance), the bars stay red, the caller's pack alignment is
// kept. Bad values with radarMix 1 (the sweep of AllEffectsTest has it 0) must do no harm.
TEST_F(RadarImageryEffectTest, LetterboxedViewportIsCapturedAtItsOriginAndBadInputIsHarmless) {
    set("noiseIntensity", 0.0f), set("contrast", 1.0f);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glViewport(20, 10, 160, 80);
    glEnable(GL_SCISSOR_TEST);
    glScissor(20, 10, 160, 80);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    render(0.0f);
    GLint alignment = 0;
    EXPECT_EQ((glGetIntegerv(GL_PACK_ALIGNMENT, &alignment), alignment), 8);
    for (int x : {21, 60, 179}) EXPECT_TRUE(pixel(x, 16)[0] == 29 && pixel(x, 16)[2] == 29) << x;  // trunc(0.114 * 255)
    EXPECT_TRUE(pixel(10, 20)[0] == 255 && pixel(10, 20)[1] == 0);
    expectSurvivesBadInput(e, {"contrast", "noiseIntensity", "isNegative"});
}

}  // namespace
