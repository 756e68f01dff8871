// GloomEffect in a real GL context over a gradient picture: each pixel against the zoomed,
// faded copies computed here (bilinear sampling with edge clamping), an origin off screen, the
// capture texture re-made when the viewport's size changes, a letterboxed viewport, and bad
// track values.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Logger.h"
#include "core/TextureManager.h"
#include "effects/GloomEffect.h"
#include "support/GlFixture.h"
#include "support/ScreenPicture.h"
#include "support/TempDir.h"
#include "support/TrackTable.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct Rays {
    float passes, strength, alpha, decay, ox, oy;
    std::array<float, 3> tint;
};

// Channel `c` of the picture sampled at texture coordinates (s, t): bilinear between texel
// centres, texels beyond the edge clamped to it.
template <class Picture>
double sample(Picture picture, const ViewportRect& v, int c, double s, double t) {
    const double u = std::clamp(s * v.width - 0.5, 0.0, v.width - 1.0);
    const double w = std::clamp(t * v.height - 0.5, 0.0, v.height - 1.0);
    const int x0 = static_cast<int>(u), y0 = static_cast<int>(w);
    const int x1 = std::min(x0 + 1, v.width - 1), y1 = std::min(y0 + 1, v.height - 1);
    const double fx = u - x0, fy = w - y0;
    return (picture(x0, y0)[c] * (1 - fx) + picture(x1, y0)[c] * fx) * (1 - fy) +
           (picture(x0, y1)[c] * (1 - fx) + picture(x1, y1)[c] * fx) * fy;
}

// The picture at viewport pixel (x, y) plus pass i = 1 ... n: the copy zoomed by 1 + i x strength
// about the origin, times the tint and decay^i x alpha.
template <class Picture>
Rgb withRays(Picture picture, const ViewportRect& v, const Rays& k, int x, int y) {
    Rgb out{};
    for (int c = 0; c < 3; ++c) {
        double value = picture(x, y)[c];
        for (int i = 1; i <= static_cast<int>(k.passes); ++i) {
            const double s = 1.0 + i * k.strength;
            const double opacity = std::pow(k.decay, i) * k.alpha;
            const double sx = k.ox + ((x + 0.5) / v.width - k.ox) / s;
            const double sy = k.oy + ((y + 0.5) / v.height - k.oy) / s;
            value += sample(picture, v, c, sx, sy) * k.tint[c] * opacity;
        }
        out[c] = std::min(255, static_cast<int>(std::lround(value)));
    }
    return out;
}

Rgb gradient2(int x, int y) { return {40 + 2 * x, 40 + 2 * y, 100}; }
Rgb gradient1(int x, int y) { return {40 + x, 40 + y, 100}; }

class GloomEffectTest : public GlFixture {
protected:
    void TearDown() override {
        resetProjectGlobals();
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }
    void draw(const Rays& k) {
        const std::pair<const char*, float> values[] = {
            {"passes", k.passes}, {"strength", k.strength}, {"alpha", k.alpha},     {"decay", k.decay},
            {"origin.x", k.ox},   {"origin.y", k.oy},       {"tint.r", k.tint[0]}, {"tint.g", k.tint[1]},
            {"tint.b", k.tint[2]}};
        for (auto [name, value] : values) e.findTrack(name)->setKey(0.0f, value, InterpType::Linear);
        e.updateAllTracks(0.0f);
        e.render();
    }
    // Every pixel of the viewport within 2 of the formula (8-bit blending and filter weights).
    template <class Picture>
    void expectRays(Picture picture, const ViewportRect& v, const Rays& k) {
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(v.width) * v.height * 4);
        glReadPixels(v.x, v.y, v.width, v.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        int wrong = 0;
        for (int y = 0; y < v.height; ++y) {
            for (int x = 0; x < v.width; ++x) {
                const Rgb want = withRays(picture, v, k, x, y);
                for (int c = 0; c < 3; ++c) {
                    const int got = rgba[(static_cast<std::size_t>(y) * v.width + x) * 4 + c];
                    if (std::abs(got - want[c]) > 2 && ++wrong <= 5)
                        ADD_FAILURE() << "pixel " << x << "," << y << " channel " << c << ": " << got << ", want " << want[c];
                }
            }
        }
        EXPECT_EQ(wrong, 0);
    }
    GloomEffect e;
};

TEST_F(GloomEffectTest, LogsAndMakesItsNineUnboundTracksInTheConstructor) {
    TempDir dir;
    Logger::instance().open(dir.file("log.txt"), true);
    GloomEffect fresh;
    Logger::instance().close();
    EXPECT_NE(dir.read("log.txt").find("] GloomEffect constructor called.\n"), std::string::npos);
    fresh.init();
    expectTrackTable(fresh, {{"passes", 1, 40, 15, true, InterpType::Linear},
                             {"strength", 0.001f, 0.1f, 0.02f, false, InterpType::Linear},
                             {"alpha", 0, 1, 0.1f, false, InterpType::Linear},
                             {"decay", 0.5f, 1, 0.95f, false, InterpType::Linear},
                             {"origin.x", -0.5f, 1.5f, 0.5f, false, InterpType::Linear},
                             {"origin.y", -0.5f, 1.5f, 0.5f, false, InterpType::Linear},
                             {"tint.r", 0, 1, 1, false, InterpType::Linear},
                             {"tint.g", 0, 1, 1, false, InterpType::Linear},
                             {"tint.b", 0, 1, 1, false, InterpType::Linear},
                             {"enabled", 0, 1, 1, true, InterpType::Step, &fresh.enabled}});
}

// Pass 1 is already zoomed by 1 + strength, with opacity decay x alpha; pass 3 by 1 + 3 strength
// with decay^3 x alpha. An origin left of the screen samples beyond the edge, which takes the
// edge texels (not a blend with black).
TEST_F(GloomEffectTest, EachPassAddsTheCopyZoomedAboutTheOriginAndFaded) {
    const ViewportRect v{0, 0, 64, 64};
    const Rays cases[] = {{1, 0.25f, 0.8f, 0.5f, 0.25f, 0.75f, {1.0f, 0.5f, 0.25f}},
                          {3, 0.1f, 0.5f, 0.8f, 0.6f, 0.3f, {0.5f, 0.5f, 1.0f}},
                          {2, 0.2f, 0.6f, 1.0f, -0.5f, 0.5f, {1.0f, 1.0f, 0.0f}}};
    for (const Rays& k : cases) {
        drawPicture(v, gradient2);
        draw(k);
        expectRays(gradient2, v, k);
    }
}

TEST_F(GloomEffectTest, TheCaptureIsReMadeForANewViewportSizeBeforeTheCopy) {
    const Rays k{1, 0.25f, 1.0f, 0.5f, 0.7f, 0.2f, {1, 1, 1}};
    drawPicture({0, 0, 64, 64}, gradient2);
    draw(k);
    const ViewportRect small{0, 0, 48, 32};
    glViewport(small.x, small.y, small.width, small.height);
    drawPicture(small, gradient2);
    draw(k);
    EXPECT_EQ(e.capture.width(), 48);
    EXPECT_EQ(e.capture.height(), 32);
    expectRays(gradient2, small, k);
}

TEST_F(GloomEffectTest, InALetterboxItWorksOnThePictureInsideTheViewport) {
    ASSERT_TRUE(gl_.resize(kWideWindowWidth, kWideWindowHeight)) << gl_.error();
    glClear(GL_COLOR_BUFFER_BIT);
    useLetterbox();
    drawPicture(kLetterbox, gradient1);
    const Rays k{2, 0.3f, 0.8f, 0.75f, 0.1f, 0.9f, {1, 1, 1}};
    draw(k);
    EXPECT_TRUE(letterboxBarsAreBlack());
    expectRays(gradient1, kLetterbox, k);
}

// passes below 1 or NaN add nothing; huge passes are capped; zooms of 0, NaN or infinity are
// skipped; nothing crashes or raises a GL error.
TEST_F(GloomEffectTest, BadTrackValuesNeverCrashOrLoopWithoutBound) {
    const ViewportRect v{0, 0, 64, 64};
    drawPicture(v, gradient2);
    for (float passes : {kNaN, -kInf, 0.99f}) {
        draw({passes, 0.02f, 1.0f, 1.0f, 0.5f, 0.5f, {1, 1, 1}});
        EXPECT_EQ(rgbAt(10, 10), gradient2(10, 10)) << passes;
    }
    for (float passes : {1.0e9f, kInf})
        for (float strength : {kNaN, kInf, -1.0f, 1.0e30f, -1.0e30f, -kInf})
            draw({passes, strength, 0.01f, 1.0f, kNaN, 0.5f, {kNaN, 1, 1}});
    draw({40, 0.02f, kNaN, kNaN, 0.5f, 0.5f, {1, 1, 1}});
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
