// VoronoiCausticsEffect: texture name and upload, the unchanged-time rule, and the whole
// image checked against the caustics formula of baselines/ProceduralReference.h (a NaN scale too).
#include <gtest/gtest.h>

#include "core/TextureManager.h"
#include "effects/VoronoiCausticsEffect.h"
#include "support/GlFixture.h"
#include "baselines/ProceduralReference.h"
#include "support/EffectHelpers.h"

namespace {

using reference::CausticsParams;

class VoronoiCausticsEffectTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        e.init();
    }
    // Sets every parameter by its track, updates at k.time and compares the whole image.
    void expectFormula(const CausticsParams& k) {
        setKeys(e, {{"speed", k.speed}, {"scale", k.scale}, {"sharpness", k.sharpness}, {"color.r", k.r},
                    {"color.g", k.g}, {"color.b", k.b}, {"envMapMode", k.sphere ? 1.0f : 0.0f}});
        e.updateAllTracks(k.time);
        const auto d =
            reference::compareImage(e.image.pixels, [&](int x, int y) { return reference::causticsPixel(x, y, k); });
        EXPECT_EQ(d.pixels, 0) << "time " << k.time << ", first at " << d.firstX << "," << d.firstY;
    }
    VoronoiCausticsEffect e;
};

// Every step is the same single-precision operation as the formula's, so every pixel equals it
// to the byte, also past the cell table (scale 400 takes the plain path) and for a NaN scale
// (min and max drop a NaN, so it once passed the cell-table guard and reached the integer floor).
TEST_F(VoronoiCausticsEffectTest, WholeImageMatchesTheFormulaInBothLayouts) {
    const CausticsParams cases[] = {
        {0.0f, 1.5f, 6.0f, 3.5f, 0.2f, 0.8f, 1.0f, false},  // the defaults, flat
        {2.6f, -4.0f, 13.7f, 1.2f, 1.3f, 0.6f, 0.9f, false},
        {250.0f, -9.0f, 1.0f, 0.1f, 2.0f, 0.0f, 2.0f, false},  // gains 0 and 2
        {1.0f, 1.5f, 6.0f, 0.5f, 0.0f, 2.0f, 1.0f, false},
        {3.0f, 1.0f, 400.0f, 3.5f, 1.0f, 1.0f, 1.0f, false},
        {1.0f, 1.5f, NAN, 3.5f, 0.2f, 0.8f, 1.0f, false},  // no nearest point: (0 + 0.15) * 255 * colour
        {1.1f, 1.5f, 6.0f, 3.5f, 0.2f, 0.8f, 1.0f, true},  // the defaults, sphere
        {33.0f, 7.5f, 29.0f, 10.0f, 1.8f, 1.0f, 0.5f, true},
        {5.0f, 2.0f, -3.5f, 2.0f, 1.0f, 1.0f, 1.0f, true},  // a negative scale mirrors the cells
    };
    for (const CausticsParams& k : cases) expectFormula(k);
}

TEST_F(VoronoiCausticsEffectTest, UploadsOncePerNewTimeAndSkipsAnUnchangedTime) {
    expectFormula({2.0f, 1.5f, 6.0f, 3.5f, 0.2f, 0.8f, 1.0f, true});
    const std::vector<std::uint8_t> first = e.image.pixels;
    setKeys(e, {{"color.g", 0.0f}});
    e.updateAllTracks(2.0f);
    EXPECT_EQ(e.image.pixels, first) << "the same time computes nothing";
    expectFormula({3.0f, 1.5f, 6.0f, 3.5f, 0.2f, 0.0f, 1.0f, true});
    auto texture = TextureManager::instance().getTexture("*DynamicCaustics_*");
    ASSERT_TRUE(texture);
    EXPECT_EQ(texels(texture->id, 256, 256), e.image.pixels);
}

}  // namespace
