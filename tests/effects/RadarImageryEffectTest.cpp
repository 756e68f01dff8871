// RadarImageryEffect in a real GL context: nothing read back at radarMix 0, the grey values and
// sweep bands of a flat picture, the negative, the fast processing against the plain loop on
// a real frame (bytes and generator state), and a letterboxed viewport read at its origin.
#include <gtest/gtest.h>

#define GL_GLEXT_PROTOTYPES  // glWindowPos2i (OpenGL 1.4)
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "base/Random.h"
#include "effects/LeftfieldAutomataEffect.h"
#include "effects/RadarImageryEffect.h"
#include "support/BadInput.h"
#include "support/GlFixture.h"
#include "support/RadarReference.h"
#include "support/TrackTable.h"

namespace {

constexpr int kW = 300, kH = 170;  // not a multiple of the processing's blocks or row chunks

class RadarImageryEffectTest : public GlFixture {
protected:
    RadarImageryEffectTest() : GlFixture(kW, kH) {}
    void SetUp() override {
        GlFixture::SetUp();
        e.init();
    }
    void set(const char* track, float value) { e.findTrack(track)->setKey(0.0f, value, InterpType::Step); }
    std::vector<std::uint8_t> rgbFrame() const {
        std::vector<std::uint8_t> rgb(kW * kH * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kW, kH, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        return rgb;
    }
    RadarImageryEffect e;
};

TEST_F(RadarImageryEffectTest, RadarMixZeroReadsNothingBack) {
    expectTrackTable(e, {
                            {"enabled", 0, 1, 1, true, InterpType::Step, &e.enabled},
                            {"radarMix", 0, 1, 0, false, InterpType::Linear, &e.radarMix},
                            {"contrast", 0.5f, 4, 1.8f, false, InterpType::Linear, &e.contrast},
                            {"noiseIntensity", 0, 1, 0.15f, false, InterpType::Linear, &e.noiseIntensity},
                            {"isNegative", 0, 1, 0, false, InterpType::Step, &e.isNegative},
                        });
    const std::uint32_t state = runtime::randState();
    e.updateAllTracks(1.0f);
    e.render();
    EXPECT_TRUE(e.readBuffer.empty());
    EXPECT_EQ(e.imageTexture, 0u);
    EXPECT_EQ(runtime::randState(), state);
}

// A flat (200, 100, 50) picture with noise 0 at radarMix 1: every row is the curved grey of
// the plain loop (column 3 lies off the display), and the bands sit where the sweep formula
// puts them: 7 bright rows around s and 3 dark rows around s - h / 2, inverted in negative.
TEST_F(RadarImageryEffectTest, FlatPictureGivesGreyRowsWithTheSweepBandsAndItsNegative) {
    set("radarMix", 1.0f);
    set("noiseIntensity", 0.0f);
    const float time = 0.9f;  // s = fmod(144, 170) = 144, s2 = 59
    for (bool negative : {false, true}) {
        set("isNegative", negative ? 1.0f : 0.0f);
        glClearColor(200 / 255.0f, 100 / 255.0f, 50 / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        std::vector<std::uint8_t> expected;
        reference::radarImage(rgbFrame(), kW, kH, {time, 1.8f, 0.0f, negative}, expected);
        e.updateAllTracks(time);
        e.render();
        int bright = 0, dark = 0;
        const int plain = expected[0];
        for (int row = 0; row < kH; ++row) {
            const int grey = expected[row * kW * 3];
            EXPECT_EQ(pixel(3, row)[0], grey) << "row " << row;
            EXPECT_EQ(e.imageBuffer[row * kW + 3], grey) << "row " << row;
            const bool brighter = negative ? grey < plain : grey > plain;
            const bool darker = negative ? grey > plain : grey < plain;
            bright += brighter;
            dark += darker;
            if (brighter) {
                EXPECT_LT(std::abs(row - 144), 4);
            }
            if (darker) {
                EXPECT_LT(std::abs(row - 59), 2);
            }
        }
        EXPECT_EQ(bright, 7);
        EXPECT_EQ(dark, 3);
        // The crosshair: grey 0.9 (0.1 in negative) at alpha 0.8 over the image.
        const float g = negative ? 0.1f : 0.9f;
        EXPECT_NEAR(pixel(kW / 2 - 40, kH / 2)[1], g * 0.8f * 255 + plain * 0.2f, 2.0) << negative;
    }
}

// A real frame (the automaton field) with noise on: the threads-and-lanes processing gives the
// plain loop's bytes (a channel may be 1 off in at most 0.1 % of pixels, where the power's
// last bit rounds differently) and leaves the shared generator where the plain loop does.
TEST_F(RadarImageryEffectTest, FastProcessingMatchesThePlainLoopOnARealFrame) {
    LeftfieldAutomataEffect field;
    field.init();
    field.updateAllTracks(3.0f);
    field.render();
    const std::vector<std::uint8_t> rgb = rgbFrame();
    set("radarMix", 1.0f);
    for (auto [time, contrast] : {std::pair{1.3f, 1.8f}, {7.77f, 0.5f}, {0.2f, 4.0f}}) {
        set("contrast", contrast);
        runtime::srand(20240611u);
        std::vector<std::uint8_t> expected;
        reference::radarImage(rgb, kW, kH, {time, contrast, 0.15f, false}, expected);
        const std::uint32_t after = runtime::randState();
        runtime::srand(20240611u);
        e.updateAllTracks(time);
        e.render();
        EXPECT_EQ(runtime::randState(), after);
        int differing = 0, largest = 0;
        for (int i = 0; i < kW * kH; ++i) {
            const int d = std::abs(e.imageBuffer[i] - expected[i * 3]);
            differing += d != 0;
            largest = std::max(largest, d);
        }
        EXPECT_LE(largest, 1) << contrast;
        EXPECT_LE(differing, kW * kH / 1000) << contrast;
        glViewport(0, 0, kW, kH);  // the next pass reads the same picture again: draw it back
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glWindowPos2i(0, 0);
        glDrawPixels(kW, kH, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    }
}

// Red bars around a 160 x 80 viewport at (20, 10) whose left half is blue and right half
// green: the image shows the viewport's own pixels, and the bars stay red.
TEST_F(RadarImageryEffectTest, LetterboxedViewportIsCapturedAtItsOrigin) {
    set("radarMix", 1.0f);
    set("noiseIntensity", 0.0f);
    set("contrast", 1.0f);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    for (auto [x, colour] : {std::pair{20, 0}, {100, 1}}) {
        glScissor(x, 10, 80, 80);
        glClearColor(0, colour == 1 ? 1.0f : 0.0f, colour == 0 ? 1.0f : 0.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
    glViewport(20, 10, 160, 80);
    GLint alignment = 0;
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    e.updateAllTracks(0.0f);  // sweep at row 0: rows 0 ... 3 brighter
    e.render();
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8);
    EXPECT_EQ(e.bufferWidth, 160);
    EXPECT_EQ(e.bufferHeight, 80);
    const int blue = static_cast<int>(1.0f * 0.114f * 255.0f), green = static_cast<int>(1.0f * 0.587f * 255.0f);
    for (auto [x, grey] : {std::pair{22, blue}, {98, blue}, {102, green}, {177, green}}) {
        EXPECT_EQ(pixel(x, 20)[0], grey) << x;
        EXPECT_EQ(pixel(x, 20)[0], pixel(x, 20)[2]) << x;
    }
    EXPECT_EQ(pixel(10, 20)[0], 255);
    EXPECT_EQ(pixel(10, 20)[1], 0);
}

TEST_F(RadarImageryEffectTest, SurvivesBadTrackValuesTimesAndViewports) {
    set("radarMix", 1.0f);
    expectSurvivesBadInput(e, {"radarMix", "contrast", "noiseIntensity", "isNegative"});
}

}  // namespace
