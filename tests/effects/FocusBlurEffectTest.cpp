// FocusBlurEffect: the picture, the blur computed pass by pass, the composite. The bad-value sweep:
// AllEffectsTest.
#include <gtest/gtest.h>

#include "effects/FocusBlurEffect.h"
#include "baselines/FocusBlurReference.h"
#include "support/ScreenPicture.h"

namespace {

using FocusBlurEffectTest = ScreenEffectTest;
constexpr double kFocalDepth = (1.0 + 249.7 / 249.9) / 2.0;  // 50 / (250.1 - (2d - 1) 249.9) / 250 = 0.5

// White left of column 32, the upper half in the focal plane; on the background (opacity 1) the blur
// averages 16 copies shifted by sqrt(i / 16) x 10 pixels at angle i x 2.3999631, at 1 / (i + 1).
TEST_F(FocusBlurEffectTest, SharpInTheFocalPlaneBlurredOnTheBackgroundAlsoInALetterbox) {
    FocusBlurEffect e;
    const auto white = [](double x) { return x < 32 ? 255 : 0; };
    drawPicture({0, 0, 64, 64}, [&](int x, int) { return Rgb{white(x), white(x), white(x)}; });
    fillDepth({0, 32, 64, 32}, kFocalDepth);
    drawWith(e, {});
    for (int x = 20; x < 44; ++x) {
        int blurred = 0;
        for (int i = 0; i < 16; ++i) {
            const double p = std::clamp(x + std::cos(i * 2.3999631) * std::sqrt(i / 16.0) * 10.0, 0.0, 63.0);
            const double a = std::round(255.0 / (i + 1)) / 255.0, f = p - std::floor(p);
            blurred = static_cast<int>(std::lround((white(p) * (1 - f) + white(p + 1) * f) * a + blurred * (1.0 - a)));
        }
        EXPECT_NEAR(pixel(x, 16)[0], blurred, 3) << x;
        EXPECT_EQ(pixel(x, 48)[0], white(x)) << x;
    }
    // In a letterbox a range over every depth keeps the picture; the blurred left edge keeps the patch
    // colour (not the bar's black), and the patch edge at column 60 stays sharp in a focal band.
    useLetterbox();
    drawPatches(kLetterbox);
    fillDepth({kLetterbox.x + 50, 0, 20, 90}, kFocalDepth);
    const std::vector<std::uint8_t> before = frame();
    drawWith(e, {{"focus_range", 1.0f}});
    EXPECT_EQ(frame(), before);
    drawWith(e, {{"focus_range", 0.1f}});
    expectBlackBars();
    for (auto [x, y] : {std::pair{0, 20}, {5, 70}, {119, 20}})
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(pixel(kLetterbox.x + x, y)[c], patchAt(kLetterbox, x, y)[c], 1) << x << "," << y;
    EXPECT_EQ(pixel(kLetterbox.x + 59, 20)[0], 200);
    EXPECT_EQ(pixel(kLetterbox.x + 60, 20)[0], 20);
}

// Depths near the far plane and at the 0.9999 switch, absurd focus values, three pieces and a tail.
TEST(FocusBlurComposite, EqualsTheStraightforwardFormulaByteForByte) {
    constexpr int count = 3 * 8192 + 13;
    std::vector<float> depth(count);
    std::vector<std::uint32_t> words(count), want(count);
    for (int i = 0; i < count; ++i) {
        const float u = static_cast<float>(i * 7919 % 10007) / 10007.0f;
        depth[i] = i % 3 == 0 ? u : i % 3 == 1 ? 0.998f + 0.002f * u : std::array{1.0f, 0.9999f, 0.9998999238f}[i % 4 % 3];
    }
    for (const FocusBlurEffect::Focus k : {FocusBlurEffect::Focus{0.5f, 0.1f, 3}, {0.2f, 0, 10}, {1, 1, 3}, {NAN, 0.1f, 3},
                                           {0.5f, NAN, 3}, {0.5f, 0.1f, NAN}, {0.5f, 0.1f, INFINITY}, {-INFINITY, 0, 1e30f}}) {
        for (int i = 0; i < count; ++i) {
            words[i] = (i * 2654435761u) | 0x5A000000u;
            const int alpha = reference::focusOpacity(depth[i], k.depth, k.range, k.strength);
            want[i] = (words[i] & 0xFFFFFFu) | static_cast<std::uint32_t>(alpha) << 24;
        }
        FocusBlurEffect::composite(depth.data(), words.data(), count, k);
        EXPECT_EQ(words, want) << k.depth << " " << k.range << " " << k.strength;
    }
}

}  // namespace
