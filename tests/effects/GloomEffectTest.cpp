// GloomEffect over a gradient against the zoomed, faded copies computed here. The bad-value sweep:
// AllEffectsTest.
#include <gtest/gtest.h>

#include "effects/GloomEffect.h"
#include "support/ScreenPicture.h"

namespace {

using Rays = std::array<float, 9>;  // passes, strength, alpha, decay, origin.x, origin.y, tint.r, tint.g, tint.b
Rgb gradient(int x, int y) { return {40 + x, 40 + 2 * y, 100}; }

class GloomEffectTest : public ScreenEffectTest {
protected:
    void rays(const Rays& k) {
        drawWith(e, {{"passes", k[0]}, {"strength", k[1]}, {"alpha", k[2]}, {"decay", k[3]}, {"origin.x", k[4]},
                 {"origin.y", k[5]}, {"tint.r", k[6]}, {"tint.g", k[7]}, {"tint.b", k[8]}});
    }
    // Pass i adds the copy zoomed by 1 + i x strength about the origin, x tint x decay^i x alpha.
    void expectRays(const ViewportRect& v, const Rays& k) {
        for (int y = 0; y < v.height; y += 3) {
            for (int x = 0; x < v.width; x += 3) {
                Rgb want = gradient(x, y);
                for (int i = 1; i <= k[0]; ++i) {
                    const double s = 1 + i * k[1], a = std::pow(k[3], i) * k[2];
                    const double u = std::clamp((k[4] + ((x + .5) / v.width - k[4]) / s) * v.width - .5, 0.0, v.width - 1.0);
                    const double t = std::clamp((k[5] + ((y + .5) / v.height - k[5]) / s) * v.height - .5, 0.0, v.height - 1.0);
                    const double sample[] = {40 + u, 40 + 2 * t, 100};
                    for (int c = 0; c < 3; ++c) want[c] += static_cast<int>(std::lround(a * k[6 + c] * sample[c]));
                }
                for (int c = 0; c < 3; ++c) ASSERT_NEAR(pixel(v.x + x, v.y + y)[c], std::min(want[c], 255), 2) << x << "," << y;
            }
        }
    }
    GloomEffect e;
};

// The third origin is off screen (edge texels); then a letterbox, where the capture is re-made.
TEST_F(GloomEffectTest, EachPassAddsTheCopyZoomedAndFadedAlsoInALetterbox) {
    const Rays cases[] = {{1, 0.25f, 0.8f, 0.5f, 0.25f, 0.75f, 1, 0.5f, 0.25f}, {3, 0.1f, 0.5f, 0.8f, 0.6f, 0.3f, 0.5f, 0.5f, 1},
                          {2, 0.2f, 0.6f, 1, -0.5f, 0.5f, 1, 1, 0}};
    for (const Rays& k : cases) {
        drawPicture({0, 0, 64, 64}, gradient);
        rays(k);
        expectRays({0, 0, 64, 64}, k);
    }
    useLetterbox();
    drawPicture(kLetterbox, gradient);
    rays(cases[1]);
    expectBlackBars();
    expectRays(kLetterbox, cases[1]);
}

}  // namespace
