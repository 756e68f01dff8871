// FocusBlurEffect in a real GL context: a focus range that covers every depth keeps the picture,
// an edge in the focal plane stays sharp while one on the background (depth 1, opacity 1 with
// the defaults) becomes the blur computed here pass by pass, the fast composite against the
// straightforward loop byte for byte, a letterboxed viewport, and bad track values.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "base/Logger.h"
#include "core/TextureManager.h"
#include "effects/FocusBlurEffect.h"
#include "support/FocusBlurReference.h"
#include "support/GlFixture.h"
#include "support/ScreenPicture.h"
#include "support/TempDir.h"
#include "support/TrackTable.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
// The depth-buffer value whose linear depth is the default focal plane 0.5:
// 50 / (250.1 - (2d - 1) x 249.9) / 250 = 0.5.
constexpr double kFocalDepth = (1.0 + 249.7 / 249.9) / 2.0;

void fillDepth(const ViewportRect& r, double depth) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(r.x, r.y, r.width, r.height);
    glClearDepth(depth);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    glDisable(GL_SCISSOR_TEST);
}

class FocusBlurEffectTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        e.init();
    }
    void TearDown() override {
        resetProjectGlobals();
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }
    void set(const char* name, float value) { e.findTrack(name)->setKey(0.0f, value, InterpType::Linear); }
    void draw() {
        e.updateAllTracks(0.0f);
        e.render();
    }
    FocusBlurEffect e;
};

TEST_F(FocusBlurEffectTest, LogsAndMakesItsUnboundTracksInTheConstructor) {
    TempDir dir;
    Logger::instance().open(dir.file("log.txt"), true);
    FocusBlurEffect fresh;
    Logger::instance().close();
    EXPECT_NE(dir.read("log.txt").find("] FocusBlurEffect constructor called.\n"), std::string::npos);
    expectTrackTable(e, {{"passes", 2, 64, 16, true, InterpType::Linear},
                         {"radius", 1, 30, 10, false, InterpType::Linear},
                         {"focus_depth", 0, 1, 0.5f, false, InterpType::Linear},
                         {"focus_range", 0, 0.5f, 0.1f, false, InterpType::Linear},
                         {"blur_strength", 1, 10, 3, false, InterpType::Linear},
                         {"enabled", 0, 1, 1, true, InterpType::Step, &e.enabled}});
}

TEST_F(FocusBlurEffectTest, AFocusRangeCoveringEveryDepthLeavesThePictureIdentical) {
    drawPatches({0, 0, 64, 64});
    fillDepth({0, 0, 64, 20}, 0.3);
    fillDepth({0, 20, 64, 20}, kFocalDepth);
    const std::vector<std::uint8_t> before = frame();
    set("focus_range", 1.0f);
    draw();
    EXPECT_EQ(frame(), before);
}

// White left of column 32, black right of it. Upper half in the focal plane, lower half
// background. The blur is the average of 16 copies shifted by sqrt(i / 16) x 10 pixels at
// angle i x 2.3999631, sampled bilinearly and blended with opacity 1 / (i + 1) in 8 bits.
TEST_F(FocusBlurEffectTest, AnEdgeInTheFocalPlaneStaysSharpAndOneOnTheBackgroundIsBlurred) {
    const auto white = [](int x) { return x < 32 ? 255 : 0; };
    drawPicture({0, 0, 64, 64}, [&](int x, int) { return Rgb{white(x), white(x), white(x)}; });
    fillDepth({0, 32, 64, 32}, kFocalDepth);
    draw();

    for (int y : {2, 16, 31}) {
        for (int x = 24; x < 40; ++x) {
            int blurred = 0;
            for (int i = 0; i < 16; ++i) {
                const double r = std::sqrt(i / 16.0) * 10.0;
                const double p = std::clamp(x + std::cos(i * 2.3999631) * r, 0.0, 63.0);
                const int left = static_cast<int>(p);
                const double sample = white(left) + (white(std::min(left + 1, 63)) - white(left)) * (p - left);
                const double a = std::round(255.0 / (i + 1)) / 255.0;
                blurred = static_cast<int>(std::lround(sample * a + blurred * (1.0 - a)));
            }
            EXPECT_NEAR(rgbAt(x, y)[0], blurred, 3) << x << "," << y;
            EXPECT_EQ(e.pixels[static_cast<std::size_t>(y) * 64 + x] >> 24, 255u) << "background opacity";
        }
    }
    EXPECT_LT(rgbAt(31, 16)[0], 230);
    EXPECT_GT(rgbAt(32, 16)[0], 25);
    for (int x = 0; x < 64; ++x) {
        EXPECT_EQ(rgbAt(x, 48), (Rgb{white(x), white(x), white(x)})) << x;
        EXPECT_EQ(e.pixels[48 * 64 + x] >> 24, 0u) << "in focus";
    }
}

// Depths spread over the whole range, clustered near the far plane and at the 0.9999 switch;
// focus values normal and absurd. Three full pieces and a tail, on the worker threads.
TEST(FocusBlurComposite, EqualsTheStraightforwardLoopByteForByte) {
    constexpr int count = 3 * 8192 + 13;
    std::vector<std::uint8_t> rgb(count * 3);
    std::vector<float> depth(count);
    std::uint32_t seed = 12345;
    const auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int i = 0; i < count; ++i) {
        for (int c = 0; c < 3; ++c) rgb[3 * i + c] = static_cast<std::uint8_t>(next());
        const float u = static_cast<float>(next() % 1000000) / 1000000.0f;
        const float special[] = {0.0f, 1.0f, 0.9999f, std::nextafter(0.9999f, 0.0f), 0.5f};
        depth[i] = i % 4 == 0 ? u : i % 4 == 1 ? 0.998f + 0.002f * u : i % 4 == 2 ? special[i / 4 % 5] : 0.9996f + u * 0.0004f;
    }
    const FocusBlurEffect::Focus cases[] = {{0.5f, 0.1f, 3.0f},   {0.2f, 0.0f, 10.0f}, {0.9f, 0.05f, 1.0f},
                                            {1.0f, 1.0f, 3.0f},   {kNaN, 0.1f, 3.0f},  {0.5f, kNaN, 3.0f},
                                            {0.5f, 0.1f, kNaN},   {0.5f, 0.1f, kInf},  {0.5f, -0.1f, -3.0f},
                                            {-kInf, 0.0f, 1e30f}};
    for (const auto& k : cases) {
        std::vector<std::uint8_t> want(count * 4);
        reference::focusComposite(rgb.data(), depth.data(), want.data(), count, k.depth, k.range, k.strength);
        std::vector<std::uint32_t> words(count);
        for (int i = 0; i < count; ++i)  // the alpha byte starts as something else
            words[i] = rgb[3 * i] | rgb[3 * i + 1] << 8 | rgb[3 * i + 2] << 16 | 0x5A000000u;
        FocusBlurEffect::composite(depth.data(), words.data(), count, k);
        std::vector<std::uint8_t> got(count * 4);
        std::memcpy(got.data(), words.data(), got.size());
        EXPECT_EQ(got, want) << k.depth << " " << k.range << " " << k.strength;
    }
}

// The copies and read-backs take the viewport's rectangle: the picture comes back unchanged,
// its blurred left edge keeps the patch colour (a copy from the window's corner would blur the
// black bar into it), and the bars stay black. The first draw at the full window makes the
// textures and buffers at another size.
TEST_F(FocusBlurEffectTest, InALetterboxItWorksOnThePictureInsideTheViewport) {
    ASSERT_TRUE(gl_.resize(kWideWindowWidth, kWideWindowHeight)) << gl_.error();
    glViewport(0, 0, kWideWindowWidth, kWideWindowHeight);
    draw();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    useLetterbox();
    drawPatches(kLetterbox);
    const std::vector<std::uint8_t> before = frame();
    set("focus_range", 1.0f);
    draw();
    EXPECT_EQ(frame(), before);
    EXPECT_EQ(e.sharp.width(), kLetterbox.width);
    EXPECT_EQ(e.blur.height(), kLetterbox.height);
    EXPECT_EQ(e.pixels.size(), static_cast<std::size_t>(kLetterbox.width * kLetterbox.height));

    set("focus_range", 0.1f);
    draw();
    EXPECT_TRUE(letterboxBarsAreBlack());
    for (auto [x, y] : {std::pair{0, 20}, {2, 25}, {5, 70}, {119, 20}, {117, 70}}) {
        const Rgb want = patchAt(kLetterbox, x, y), got = rgbAt(kLetterbox.x + x, y);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], want[c], 1) << x << "," << y << " channel " << c;
    }
}

// NaN or negative passes draw no pass (the picture comes back as it was); huge passes are
// capped; NaN, infinite or huge radii and NaN focus values neither crash nor raise GL errors.
TEST_F(FocusBlurEffectTest, BadTrackValuesNeverCrashOrLoopWithoutBound) {
    drawPatches({0, 0, 64, 64});
    const std::vector<std::uint8_t> before = frame();
    for (float passes : {kNaN, -kInf, -5.0f, 0.5f}) {
        set("passes", passes);
        draw();
        EXPECT_EQ(frame(), before) << passes;
    }
    for (float passes : {1.0e9f, kInf, 16.0f}) {
        for (float radius : {kNaN, kInf, -kInf, 1.0e30f}) {
            set("passes", passes);
            set("radius", radius);
            set("focus_depth", kNaN);
            draw();
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
