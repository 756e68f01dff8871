// PlasmaEffect: tracks, texture name and upload, and the image checked against the plasma
// formula evaluated pixel by pixel in support/ProceduralReference.h.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>

#include "base/Logger.h"
#include "core/TextureManager.h"
#include "effects/PlasmaEffect.h"
#include "support/GlFixture.h"
#include "support/ProceduralReference.h"
#include "support/TempDir.h"
#include "support/TrackTable.h"

namespace {

using reference::pixelAt;
using reference::PlasmaParams;
using reference::Rgba;

class PlasmaEffectTest : public GlFixture {
protected:
    void TearDown() override {
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }
    static void set(PlasmaEffect& e, const char* track, float value) {
        e.findTrack(track)->setKey(0.0f, value, InterpType::Linear);
    }
    // Sets every parameter by its track and updates at k.time, the way the player does.
    static std::unique_ptr<PlasmaEffect> render(const PlasmaParams& k) {
        auto e = std::make_unique<PlasmaEffect>();
        e->init();
        set(*e, "speed", k.speed);
        set(*e, "scale", k.scale);
        set(*e, "color.r", k.r);
        set(*e, "color.g", k.g);
        set(*e, "color.b", k.b);
        set(*e, "envMapMode", k.sphere ? 1.0f : 0.0f);
        e->updateAllTracks(k.time);
        return e;
    }
};

TEST_F(PlasmaEffectTest, LogsAndMakesItsTracksNameAndBuffers) {
    TempDir dir;
    Logger::instance().open(dir.file("log.txt"), true);
    PlasmaEffect e;
    Logger::instance().close();
    EXPECT_NE(dir.read("log.txt").find("] PlasmaEffect constructor called.\n"), std::string::npos);

    e.instanceName = "Sky";
    e.init();
    expectTrackTable(e, {
                            {"enabled", 0, 1, 1.0f, true, InterpType::Step, &e.enabled},
                            {"speed", -10, 10, 3.0f, false, InterpType::Linear, &e.speed},
                            {"scale", 0.01f, 0.5f, 0.05f, false, InterpType::Linear, &e.scale},
                            {"color.r", 0, 2, 1.0f, false, InterpType::Linear, &e.colorR},
                            {"color.g", 0, 2, 0.5f, false, InterpType::Linear, &e.colorG},
                            {"color.b", 0, 2, 0.8f, false, InterpType::Linear, &e.colorB},
                            {"envMapMode", 0, 1, 1.0f, true, InterpType::Step, &e.envMapMode},
                        });
    EXPECT_EQ(e.image.textureName, "*DynamicPlasma_Sky*");
    EXPECT_EQ(e.image.pixels, std::vector<std::uint8_t>(256 * 256 * 4, 255));
    EXPECT_EQ(e.image.lastTime, -1.0f);
}

// Chosen pixels equal the formula to the byte. Elsewhere a vectorised sine may round differently
// in the last bit: a channel may be off by one, in at most 0.1 % of the pixels. Arguments too
// large for it (the last case) take the library path and match exactly.
TEST_F(PlasmaEffectTest, ImageMatchesTheFormulaInBothLayouts) {
    const struct {
        PlasmaParams k;
        int maxDiffering;
    } cases[] = {
        {{0.0f, 3.0f, 0.05f, 1.0f, 0.5f, 0.8f, false}, 65},  // the defaults, flat
        {{1.37f, -2.5f, 0.13f, 1.4f, 0.9f, 0.3f, false}, 65},
        {{123.25f, -7.0f, 0.47f, 2.0f, 1.0f, 0.2f, false}, 65},
        {{2.0f, 3.0f, 0.05f, 0.0f, 2.0f, 0.0f, false}, 65},  // gains 0 and 2
        {{2.75f, 3.0f, 0.05f, 1.0f, 0.5f, 0.8f, true}, 65},  // the defaults, sphere
        {{7.5f, 1.25f, 0.31f, 0.6f, 1.7f, 1.1f, true}, 65},
        {{61.0f, 9.5f, 0.5f, 0.0f, 1.9f, 2.0f, true}, 65},
        {{20000.0f, 10.0f, 0.5f, 1.0f, 0.5f, 0.8f, false}, 0},
    };
    const int chosen[][2] = {{0, 0}, {255, 0}, {0, 255}, {255, 255}, {128, 128}, {17, 200}, {201, 33}, {64, 190}, {127, 3}};
    for (const auto& [k, maxDiffering] : cases) {
        auto e = render(k);
        for (auto [x, y] : chosen)
            EXPECT_EQ(pixelAt(e->image.pixels, x, y), reference::plasmaPixel(x, y, k)) << x << "," << y << " time " << k.time;
        const auto d = reference::compareImage(e->image.pixels, [&, k = k](int x, int y) { return reference::plasmaPixel(x, y, k); });
        EXPECT_LE(d.largest, 1) << "time " << k.time << ", first at " << d.firstX << "," << d.firstY;
        EXPECT_LE(d.pixels, maxDiffering) << "time " << k.time << ", first at " << d.firstX << "," << d.firstY;
        if (!k.sphere) continue;
        for (auto [x, y] : {std::pair{0, 0}, {255, 0}, {0, 255}, {255, 255}})
            EXPECT_EQ(pixelAt(e->image.pixels, x, y), (Rgba{0, 0, 0, 0})) << "sphere corner " << x << "," << y;
    }
}

TEST_F(PlasmaEffectTest, UploadsOncePerNewTimeAndSkipsAnUnchangedTime) {
    auto e = render({1.0f, 3.0f, 0.05f, 1.0f, 0.5f, 0.8f, false});
    auto texture = TextureManager::instance().getTexture("*DynamicPlasma_*");
    ASSERT_TRUE(texture);
    const std::vector<std::uint8_t> first = e->image.pixels;
    set(*e, "color.r", 0.0f);
    e->updateAllTracks(1.0f);
    EXPECT_EQ(e->image.pixels, first) << "the same time computes nothing";

    e->updateAllTracks(1.5f);
    EXPECT_EQ(pixelAt(e->image.pixels, 100, 100), reference::plasmaPixel(100, 100, {1.5f, 3.0f, 0.05f, 0.0f, 0.5f, 0.8f, false}));
    std::vector<std::uint8_t> uploaded(256 * 256 * 4);
    glBindTexture(GL_TEXTURE_2D, texture->id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded.data());
    EXPECT_EQ(uploaded, e->image.pixels);
}

}  // namespace
