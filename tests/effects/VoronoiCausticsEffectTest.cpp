// VoronoiCausticsEffect: tracks, texture name and upload, and the image checked against the
// caustics formula evaluated pixel by pixel in support/ProceduralReference.h.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>

#include "base/Logger.h"
#include "core/TextureManager.h"
#include "effects/VoronoiCausticsEffect.h"
#include "support/GlFixture.h"
#include "support/ProceduralReference.h"
#include "support/TempDir.h"
#include "support/TrackTable.h"

namespace {

using reference::CausticsParams;
using reference::pixelAt;
using reference::Rgba;

class VoronoiCausticsEffectTest : public GlFixture {
protected:
    void TearDown() override {
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }
    static void set(VoronoiCausticsEffect& e, const char* track, float value) {
        e.findTrack(track)->setKey(0.0f, value, InterpType::Linear);
    }
    static std::unique_ptr<VoronoiCausticsEffect> render(const CausticsParams& k) {
        auto e = std::make_unique<VoronoiCausticsEffect>();
        e->init();
        set(*e, "speed", k.speed);
        set(*e, "scale", k.scale);
        set(*e, "sharpness", k.sharpness);
        set(*e, "color.r", k.r);
        set(*e, "color.g", k.g);
        set(*e, "color.b", k.b);
        set(*e, "envMapMode", k.sphere ? 1.0f : 0.0f);
        e->updateAllTracks(k.time);
        return e;
    }
};

TEST_F(VoronoiCausticsEffectTest, LogsAndMakesItsTracksNameAndBuffers) {
    TempDir dir;
    Logger::instance().open(dir.file("log.txt"), true);
    VoronoiCausticsEffect e;
    Logger::instance().close();
    EXPECT_NE(dir.read("log.txt").find("] VoronoiCausticsEffect constructor called.\n"), std::string::npos);

    e.init();
    expectTrackTable(e, {
                            {"enabled", 0, 1, 1.0f, true, InterpType::Step, &e.enabled},
                            {"speed", -10, 10, 1.5f, false, InterpType::Linear, &e.speed},
                            {"scale", 1, 30, 6.0f, false, InterpType::Linear, &e.scale},
                            {"sharpness", 0.1f, 10, 3.5f, false, InterpType::Linear, &e.sharpness},
                            {"color.r", 0, 2, 0.2f, false, InterpType::Linear, &e.colorR},
                            {"color.g", 0, 2, 0.8f, false, InterpType::Linear, &e.colorG},
                            {"color.b", 0, 2, 1.0f, false, InterpType::Linear, &e.colorB},
                            {"envMapMode", 0, 1, 1.0f, true, InterpType::Step, &e.envMapMode},
                        });
    EXPECT_EQ(e.image.textureName, "*DynamicCaustics_*");
    EXPECT_EQ(e.image.pixels.size(), 256u * 256u * 4u);
}

// Every step is the same single-precision operation as the formula's, so every pixel equals it
// to the byte, also past the cell table (scale 400 takes the plain path).
TEST_F(VoronoiCausticsEffectTest, WholeImageMatchesTheFormulaInBothLayouts) {
    const CausticsParams cases[] = {
        {0.0f, 1.5f, 6.0f, 3.5f, 0.2f, 0.8f, 1.0f, false},  // the defaults, flat
        {2.6f, -4.0f, 13.7f, 1.2f, 1.3f, 0.6f, 0.9f, false},
        {250.0f, -9.0f, 1.0f, 0.1f, 2.0f, 0.0f, 2.0f, false},  // gains 0 and 2
        {1.0f, 1.5f, 6.0f, 0.5f, 0.0f, 2.0f, 1.0f, false},
        {3.0f, 1.0f, 400.0f, 3.5f, 1.0f, 1.0f, 1.0f, false},
        {1.1f, 1.5f, 6.0f, 3.5f, 0.2f, 0.8f, 1.0f, true},  // the defaults, sphere
        {33.0f, 7.5f, 29.0f, 10.0f, 1.8f, 1.0f, 0.5f, true},
        {5.0f, 2.0f, -3.5f, 2.0f, 1.0f, 1.0f, 1.0f, true},  // a negative scale mirrors the cells
    };
    for (const CausticsParams& k : cases) {
        auto e = render(k);
        const auto d = reference::compareImage(e->image.pixels, [&](int x, int y) { return reference::causticsPixel(x, y, k); });
        EXPECT_EQ(d.pixels, 0) << "time " << k.time << ", first at " << d.firstX << "," << d.firstY;
        if (!k.sphere) continue;
        for (auto [x, y] : {std::pair{0, 0}, {255, 0}, {0, 255}, {255, 255}})
            EXPECT_EQ(pixelAt(e->image.pixels, x, y), (Rgba{0, 0, 0, 0})) << "sphere corner " << x << "," << y;
    }
}

TEST_F(VoronoiCausticsEffectTest, UploadsOncePerNewTimeAndSkipsAnUnchangedTime) {
    auto e = render({2.0f, 1.5f, 6.0f, 3.5f, 0.2f, 0.8f, 1.0f, true});
    auto texture = TextureManager::instance().getTexture("*DynamicCaustics_*");
    ASSERT_TRUE(texture);
    const std::vector<std::uint8_t> first = e->image.pixels;
    set(*e, "color.g", 0.0f);
    e->updateAllTracks(2.0f);
    EXPECT_EQ(e->image.pixels, first) << "the same time computes nothing";

    e->updateAllTracks(3.0f);
    EXPECT_EQ(pixelAt(e->image.pixels, 100, 100), reference::causticsPixel(100, 100, {3.0f, 1.5f, 6.0f, 3.5f, 0.2f, 0.0f, 1.0f, true}));
    std::vector<std::uint8_t> uploaded(256 * 256 * 4);
    glBindTexture(GL_TEXTURE_2D, texture->id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded.data());
    EXPECT_EQ(uploaded, e->image.pixels);
}

}  // namespace
