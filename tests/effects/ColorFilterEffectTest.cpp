// ColorFilterEffect over flat colour patches against the blend arithmetic, modelled in 8 bits.
#include <gtest/gtest.h>

#include "effects/ColorFilterEffect.h"
#include "support/ScreenPicture.h"

namespace {

constexpr double m = 0.6;
int store(double v) { return std::clamp(static_cast<int>(std::lround(v)), 0, 255); }
int times(int v, double a) { return store(v * std::round(a * 255.0) / 255.0); }  // opacity in 8 bits
int over(double colour, double a, int d) { return store(colour * 255.0 * a + d * (1.0 - a)); }
int lines(int y, int v) { return y % 4 == 0 || y % 4 == 3 ? over(0.0, 0.2 * m, v) : v; }  // width 2 on y = 0, 4 ...

// Channel c (value v) of pixel (x, y) after filter t with mix m (1 for the vignette).
int expected(int t, int c, int v, int x, int y) {
    int glow = v;  // the copies shifted by 6m that cover the pixel, then the unshifted one
    for (double dx : {-6 * m, 6 * m})
        for (double dy : {-6 * m, 6 * m})
            if (x + .5 >= dx && x + .5 < 64 + dx && y + .5 >= dy && y + .5 < 64 + dy) glow = store(glow + times(v, m / 4));
    const int results[] = {v, over(0.3, m, v), over(std::array{0.44, 0.35, 0.25}[c], m, v), 255 - v,
                           c == 0 ? v : store(v * (1 - m)), lines(y, c == 1 ? v : store(v * (1 - m))),
                           lines(y, store(v * std::array{1 - m, 1 - m / 2, 1.0}[c])),
                           store(store(over(0.5, 0.6 * m, v) * v / 255.0) + times(v, 0.4 * m)),
                           over(0.0, std::max(std::fabs((x + .5) / 32 - 1), std::fabs((y + .5) / 32 - 1)), v),
                           store(glow + times(v, 0.4 * m)), store(store(v * v / 255.0) + times(v, 0.3 * m)), over(1, m, v)};
    return results[t];
}

class ColorFilterEffectTest : public ScreenEffectTest {
protected:
    ColorFilterEffectTest() { e.init(); }
    void filter(float type, float mix) { drawWith(e, {{"filterType", type}, {"mix", mix}}); }
    ColorFilterEffect e;
};

// Then contrast in a letterbox (not the bar's black), and scan lines for a design height of INT_MAX.
TEST_F(ColorFilterEffectTest, EachFilterOnThePatchesAlsoInALetterboxAndForAHugeDesignHeight) {
    projectWidth = projectHeight = 64;  // one design unit per pixel
    for (auto [type, mix, number] : {std::array{0.4f, 1.0f, 0.0f}, {0.5f, 0.6f, 1}, {2, 0.6f, 2}, {3, 0.01f, 3}, {3, 0, 0},
                                     {4, 0.6f, 4}, {5, 0.6f, 5}, {6, 0.6f, 6}, {6.6f, 0.6f, 7}, {8, 1, 8}, {9, 0.6f, 9},
                                     {10, 0.6f, 10}, {10.6f, 0.6f, 11}}) {
        drawPatches({0, 0, 64, 64});
        filter(type, mix);
        for (auto [x, y] : {std::pair{17, 17}, {49, 17}, {17, 49}, {49, 49}, {8, 9}, {16, 0}, {48, 3}, {20, 5}, {62, 62}})
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(pixel(x, y)[c], expected(static_cast<int>(number), c, patchAt({0, 0, 64, 64}, x, y)[c], x, y), 1)
                    << type << " at " << x << "," << y;
    }
    useLetterbox();
    drawPatches(kLetterbox);
    filter(10.0f, 0.6f);
    expectBlackBars();
    for (auto [x, y] : {std::pair{0, 0}, {1, 45}, {59, 44}, {60, 45}, {119, 89}})
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(pixel(kLetterbox.x + x, y)[c], expected(10, c, patchAt(kLetterbox, x, y)[c], x, y), 1) << x << "," << y;
    projectHeight = std::numeric_limits<int>::max();
    filter(5.0f, 1.0f);
}

}  // namespace
