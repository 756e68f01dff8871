// PlasmaEffect: texture name and upload, the unchanged-time rule, and the image checked
// against the plasma formula evaluated pixel by pixel in baselines/ProceduralReference.h.
#include <gtest/gtest.h>

#include "core/TextureManager.h"
#include "effects/PlasmaEffect.h"
#include "support/GlFixture.h"
#include "baselines/ProceduralReference.h"
#include "support/EffectHelpers.h"

namespace {

using reference::pixelAt;
using reference::PlasmaParams;

class PlasmaEffectTest : public GlFixture {
protected:
    // Sets every parameter by its track and updates at k.time, the way the player does.
    static void render(PlasmaEffect& e, const PlasmaParams& k) {
        setKeys(e, {{"speed", k.speed}, {"scale", k.scale}, {"color.r", k.r}, {"color.g", k.g}, {"color.b", k.b},
                    {"envMapMode", k.sphere ? 1.0f : 0.0f}});
        e.updateAllTracks(k.time);
    }
};

// Chosen pixels equal the formula to the byte. Elsewhere a vectorised sine may round differently
// in the last bit: a channel may be off by one, in at most 0.1 % of the pixels. Arguments too
// large for it (the last case) take the library path and match exactly. Outside the sphere's
// disc the pixels are transparent black.
TEST_F(PlasmaEffectTest, ImageMatchesTheFormulaInBothLayouts) {
    const std::pair<PlasmaParams, int> cases[] = {
        {{0.0f, 3.0f, 0.05f, 1.0f, 0.5f, 0.8f, false}, 65},  // the defaults, flat
        {{1.37f, -2.5f, 0.13f, 1.4f, 0.9f, 0.3f, false}, 65},
        {{123.25f, -7.0f, 0.47f, 2.0f, 1.0f, 0.2f, false}, 65},
        {{2.0f, 3.0f, 0.05f, 0.0f, 2.0f, 0.0f, false}, 65},  // gains 0 and 2
        {{2.75f, 3.0f, 0.05f, 1.0f, 0.5f, 0.8f, true}, 65},  // the defaults, sphere
        {{7.5f, 1.25f, 0.31f, 0.6f, 1.7f, 1.1f, true}, 65},
        {{61.0f, 9.5f, 0.5f, 0.0f, 1.9f, 2.0f, true}, 65},
        {{20000.0f, 10.0f, 0.5f, 1.0f, 0.5f, 0.8f, false}, 0},
    };
    const int chosen[][2] = {{0, 0}, {255, 0}, {0, 255}, {255, 255}, {128, 128}, {17, 200}, {201, 33}, {64, 190}};
    for (const auto& [k, maxDiffering] : cases) {
        PlasmaEffect e;
        e.init();
        render(e, k);
        const auto formula = [&, k = k](int x, int y) { return reference::plasmaPixel(x, y, k); };
        for (auto [x, y] : chosen) EXPECT_EQ(pixelAt(e.image.pixels, x, y), formula(x, y)) << x << "," << y;
        const auto d = reference::compareImage(e.image.pixels, formula);
        EXPECT_LE(d.largest, 1) << "time " << k.time << ", first at " << d.firstX << "," << d.firstY;
        EXPECT_LE(d.pixels, maxDiffering) << "time " << k.time << ", first at " << d.firstX << "," << d.firstY;
    }
}

TEST_F(PlasmaEffectTest, UploadsOncePerNewTimeAndSkipsAnUnchangedTime) {
    PlasmaEffect e;
    e.instanceName = "Sky";
    e.init();
    render(e, {1.0f, 3.0f, 0.05f, 1.0f, 0.5f, 0.8f, false});
    const std::vector<std::uint8_t> first = e.image.pixels;
    setKeys(e, {{"color.r", 0.0f}});
    e.updateAllTracks(1.0f);
    EXPECT_EQ(e.image.pixels, first) << "the same time computes nothing";
    e.updateAllTracks(1.5f);
    const PlasmaParams later{1.5f, 3.0f, 0.05f, 0.0f, 0.5f, 0.8f, false};
    EXPECT_EQ(pixelAt(e.image.pixels, 100, 100), reference::plasmaPixel(100, 100, later));
    auto texture = TextureManager::instance().getTexture("*DynamicPlasma_Sky*");
    ASSERT_TRUE(texture);
    EXPECT_EQ(texels(texture->id, 256, 256), e.image.pixels);
}

}  // namespace
