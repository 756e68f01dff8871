// ColorFilterEffect in a real GL context over flat colour patches: every filter's result at
// each patch against its blend arithmetic (modelled step by step in 8 bits), the scan lines,
// the vignette's geometry, the rounding of filterType, the copy of a letterboxed viewport, and
// bad track values.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "base/Logger.h"
#include "core/ProjectGlobals.h"
#include "core/TextureManager.h"
#include "effects/ColorFilterEffect.h"
#include "support/GlFixture.h"
#include "support/ScreenPicture.h"
#include "support/TempDir.h"
#include "support/TrackTable.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// One blending step in 8 bits: the result rounded and clamped, as the frame buffer keeps it.
int store(double v) { return std::clamp(static_cast<int>(std::lround(v)), 0, 255); }
// v times an opacity, which the frame buffer's blending takes as an 8-bit value too.
int times(int v, double a) { return store(v * std::round(a * 255.0) / 255.0); }
// Over: colour (0..1) with opacity a over destination d (0..255).
int over(double colour, double a, int d) { return store(colour * 255.0 * a + d * (1.0 - a)); }

using Expect = std::function<Rgb(Rgb c, int x, int y)>;
Rgb each(Rgb c, const std::function<int(int channel, int value)>& f) { return {f(0, c[0]), f(1, c[1]), f(2, c[2])}; }

class ColorFilterEffectTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        projectWidth = 64;  // one design unit per pixel
        projectHeight = 64;
        drawPatches(kFull);
        e.init();
    }
    void TearDown() override {
        resetProjectGlobals();
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }
    void filter(float type, float mix) {
        e.findTrack("filterType")->setKey(0.0f, type, InterpType::Step);
        e.findTrack("mix")->setKey(0.0f, mix, InterpType::Linear);
        e.updateAllTracks(0.0f);
        e.render();
    }
    static constexpr ViewportRect kFull{0, 0, 64, 64};
    ColorFilterEffect e;
};

TEST_F(ColorFilterEffectTest, LogsAndMakesItsTracksInOnInit) {
    TempDir dir;
    Logger::instance().open(dir.file("log.txt"), true);
    ColorFilterEffect fresh;
    Logger::instance().close();
    EXPECT_NE(dir.read("log.txt").find("] ColorFilterEffect constructor called.\n"), std::string::npos);
    expectTrackTable(e, {{"enabled", 0, 1, 1.0f, true, InterpType::Step, &e.enabled},
                         {"filterType", 0, 10, 0.0f, true, InterpType::Step, &e.filterType},
                         {"mix", 0, 1, 1.0f, false, InterpType::Linear, &e.mix}});
}

// Pixels checked: inside each patch off the scan lines, and near the edges and corners.
TEST_F(ColorFilterEffectTest, EachFilterFollowsItsBlendArithmeticOnThePatches) {
    struct Case {
        float type, mix;
        Expect expect;
    };
    const double m = 0.6;
    const auto vignetteAlpha = [](int x, int y) {  // the fan: opacity m times the distance from
        return std::max(std::fabs((x + 0.5) / 32.0 - 1.0), std::fabs((y + 0.5) / 32.0 - 1.0));  // centre to edge
    };
    const Case cases[] = {
        {0.4f, 1.0f, [](Rgb c, int, int) { return c; }},
        {0.5f, 0.6f, [&](Rgb c, int, int) { return each(c, [&](int, int v) { return over(0.3, m, v); }); }},
        {2.0f, 0.6f,
         [&](Rgb c, int, int) {
             const double sepia[] = {0.44, 0.35, 0.25};
             return each(c, [&](int i, int v) { return over(sepia[i], m, v); });
         }},
        {3.0f, 0.01f, [](Rgb c, int, int) { return each(c, [](int, int v) { return 255 - v; }); }},
        {3.0f, 0.0f, [](Rgb c, int, int) { return c; }},
        {4.0f, 0.6f, [&](Rgb c, int, int) { return Rgb{c[0], store(c[1] * (1 - m)), store(c[2] * (1 - m))}; }},
        {5.0f, 0.6f, [&](Rgb c, int, int) { return Rgb{store(c[0] * (1 - m)), c[1], store(c[2] * (1 - m))}; }},
        {6.0f, 0.6f,
         [&](Rgb c, int, int) { return Rgb{store(c[0] * (1 - m)), store(c[1] * (1 - 0.5 * m)), c[2]}; }},
        {6.6f, 0.6f,  // filter 7: towards grey, times the copy, plus 0.4 m of it
         [&](Rgb c, int, int) {
             return each(c, [&](int, int v) { return store(store(over(0.5, 0.6 * m, v) * v / 255.0) + times(v, 0.4 * m)); });
         }},
        {8.0f, 1.0f,
         [&](Rgb c, int x, int y) {
             return each(c, [&](int, int v) { return over(0.0, vignetteAlpha(x, y), v); });
         }},
        {9.0f, 0.6f,  // the shifted copies (o = 6 m) that reach the pixel at 0.25 m, then the copy at 0.4 m
         [&](Rgb c, int x, int y) {
             const double o = 6 * m;
             const auto reaches = [&](double centre, double shift) { return centre >= shift && centre < 64 + shift; };
             int copies = 0;
             for (double dx : {-o, o})
                 for (double dy : {-o, o}) copies += reaches(x + 0.5, dx) && reaches(y + 0.5, dy);
             return each(c, [&](int, int v) {
                 int d = v;
                 for (int i = 0; i < copies; ++i) d = store(d + times(v, 0.25 * m));
                 return store(d + times(v, 0.4 * m));
             });
         }},
        {10.0f, 0.6f,
         [&](Rgb c, int, int) { return each(c, [&](int, int v) { return store(store(v * v / 255.0) + times(v, 0.3 * m)); }); }},
        {10.6f, 0.6f, [&](Rgb c, int, int) { return each(c, [&](int, int v) { return over(1.0, m, v); }); }},
    };
    const std::pair<int, int> points[] = {{17, 17}, {49, 17}, {17, 49}, {49, 49}, {8, 9}, {16, 1}, {48, 2}, {62, 62}, {20, 5}};
    for (const Case& c : cases) {
        drawPatches(kFull);
        filter(c.type, c.mix);
        for (auto [x, y] : points) {
            const Rgb want = c.expect(patchAt(kFull, x, y), x, y);
            const Rgb got = rgbAt(x, y);
            for (int i = 0; i < 3; ++i)
                EXPECT_NEAR(got[i], want[i], 1) << "filterType " << c.type << " mix " << c.mix << " at " << x << ","
                                                << y << " channel " << i;
        }
    }
}

// Lines of width 2 on y = 0, 4, 8 ... cover the rows on both sides of each: 0, 3 and 4, 7 and 8 ...
TEST_F(ColorFilterEffectTest, TheGreenAndBlueTintsDrawScanLinesEveryFourRows) {
    for (float type : {5.0f, 6.0f}) {
        drawPatches(kFull);
        filter(type, 0.5f);
        const Rgb between = rgbAt(10, 5);
        for (int y = 0; y < 32; ++y) {
            const bool onLine = y % 4 == 0 || y % 4 == 3;
            const Rgb got = rgbAt(10, y);
            for (int i = 0; i < 3; ++i)
                EXPECT_NEAR(got[i], onLine ? over(0.0, 0.1, between[i]) : between[i], 1)
                    << "filter " << type << " row " << y << " channel " << i;
        }
    }
}

// The copy takes the viewport's rectangle: the contrast filter squares the picture's own pixels
// (a copy from the window's corner would bring the black bar in) and the bars stay black.
TEST_F(ColorFilterEffectTest, ATextureFilterInALetterboxWorksOnThePictureInsideTheViewport) {
    ASSERT_TRUE(gl_.resize(kWideWindowWidth, kWideWindowHeight)) << gl_.error();
    glViewport(0, 0, kWideWindowWidth, kWideWindowHeight);
    glClear(GL_COLOR_BUFFER_BIT);
    filter(10.0f, 1.0f);  // at the full window first: the copy is re-made for the letterbox
    glClear(GL_COLOR_BUFFER_BIT);
    useLetterbox();
    drawPatches(kLetterbox);
    filter(10.0f, 1.0f);
    EXPECT_EQ(e.frameCopy.width(), kLetterbox.width);
    EXPECT_EQ(e.frameCopy.height(), kLetterbox.height);
    EXPECT_TRUE(letterboxBarsAreBlack());
    for (auto [x, y] : {std::pair{0, 0}, {1, 45}, {59, 44}, {60, 45}, {119, 89}, {30, 70}}) {
        const Rgb c = patchAt(kLetterbox, x, y);
        const Rgb got = rgbAt(kLetterbox.x + x, y);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(got[i], store(store(c[i] * c[i] / 255.0) + 0.3 * c[i]), 2) << x << "," << y << " channel " << i;
    }
}

// NaN selects no filter and a NaN mix draws nothing; huge types are the white wash; huge mixes
// and a design height of INT_MAX (scan lines) stay bounded.
TEST_F(ColorFilterEffectTest, BadTrackValuesNeverCrashOrLoopWithoutBound) {
    const Rgb before = rgbAt(17, 17);
    for (float type : {kNaN, -kInf, -1.0e30f}) {
        filter(type, 1.0f);
        EXPECT_EQ(rgbAt(17, 17), before) << type;
    }
    filter(5.0f, kNaN);
    EXPECT_EQ(rgbAt(17, 17), before);
    for (float type : {kInf, 1.0e30f}) {
        drawPatches(kFull);
        filter(type, 1.0f);
        EXPECT_EQ(rgbAt(17, 17), (Rgb{255, 255, 255})) << type;
    }
    projectHeight = std::numeric_limits<int>::max();
    for (float type : {5.0f, 7.0f, 8.0f, 9.0f})
        for (float mix : {kInf, 1.0e30f, 1.0e-30f}) filter(type, mix);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
