// OverlayEffect in a real GL context: a store texture shown pixel for pixel when the viewport
// matches its size (a computed plasma and a PNG file), the rounded texture index, the alpha
// threshold that leaves frame and depth buffer alone, and blending. The generic test over all
// effects checks the GL state it restores.
#include <gtest/gtest.h>

#include <GL/gl.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/Logger.h"
#include "core/TextureManager.h"
#include "effects/OverlayEffect.h"
#include "effects/PlasmaEffect.h"
#include "support/GlFixture.h"
#include "support/TempDir.h"
#include "support/TrackTable.h"

namespace {

using Rgba = std::array<std::uint8_t, 4>;

class OverlayEffectTest : public GlFixture {
protected:
    OverlayEffectTest() : GlFixture(256, 256) {}
    void TearDown() override {
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }
    static std::unique_ptr<OverlayEffect> overlay(float texture, float alpha) {
        auto e = std::make_unique<OverlayEffect>();
        e->init();
        e->findTrack("texture")->setKey(0.0f, texture, InterpType::Linear);
        e->findTrack("alpha")->setKey(0.0f, alpha, InterpType::Linear);
        e->updateAllTracks(0.0f);
        return e;
    }
    // A 2 x 2 dynamic texture of one colour at the end of the store's list.
    static void addColour(const char* name, Rgba colour) {
        std::array<std::uint8_t, 16> texels{};
        for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = colour[i % 4];
        TextureManager::instance().updateDynamicTexture(name, 2, 2, texels.data());
    }
    static void clearDepthTo(double depth) {
        glClearDepth(depth);
        glClear(GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
    }
    static float depthAt(int x, int y) {
        float depth = -1.0f;
        glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        return depth;
    }
};

TEST_F(OverlayEffectTest, LogsAndMakesItsUnboundTracksInTheConstructor) {
    TempDir dir;
    Logger::instance().open(dir.file("log.txt"), true);
    OverlayEffect e;
    Logger::instance().close();
    EXPECT_NE(dir.read("log.txt").find("] OverlayEffect constructor called.\n"), std::string::npos);
    EXPECT_EQ(e.tracks.size(), 2u);
    e.init();
    expectTrackTable(e, {
                            {"texture", 0, 50, 0.0f, false, InterpType::Linear},
                            {"alpha", 0, 1, 1.0f, false, InterpType::Linear},
                            {"enabled", 0, 1, 1.0f, true, InterpType::Step, &e.enabled},
                        });
    EXPECT_EQ(e.findTrack("texture")->target, nullptr);
    EXPECT_EQ(e.findTrack("alpha")->target, nullptr);
}

// Both images are bottom row first in memory; the PNG file is top row first.
TEST_F(OverlayEffectTest, ShowsAPlasmaTextureAndAPngFilePixelForPixel) {
    PlasmaEffect plasma;
    plasma.init();
    plasma.findTrack("envMapMode")->setKey(0.0f, 0.0f, InterpType::Step);
    plasma.updateAllTracks(2.5f);
    overlay(0.0f, 1.0f)->onRender();
    EXPECT_EQ(frame(), plasma.image.pixels);

    constexpr int w = 64, h = 32;
    std::vector<std::uint8_t> image;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.insert(image.end(), {static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 8),
                                       static_cast<std::uint8_t>((x * 7 + y * 13) & 255), 255});
    TempDir dir;
    ASSERT_TRUE(stbi_write_png(dir.file("logo.png").c_str(), w, h, 4, image.data(), w * 4));
    ASSERT_TRUE(TextureManager::instance().getTexture(dir.file("logo.png")));
    ASSERT_EQ(TextureManager::instance().getTextureNames().size(), 2u);
    ASSERT_TRUE(gl_.resize(w, h)) << gl_.error();
    glViewport(0, 0, w, h);
    overlay(1.0f, 1.0f)->onRender();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* want = &image[(static_cast<std::size_t>(h - 1 - y) * w + x) * 4];
            ASSERT_EQ(pixel(x, y), (Rgba{want[0], want[1], want[2], want[3]})) << x << "," << y;
        }
    }
}

// Past the end it draws nothing, but the depth buffer is cleared all the same.
TEST_F(OverlayEffectTest, TheTextureIndexIsRoundedToAPositionInTheStore) {
    addColour("*red*", {255, 0, 0, 255});
    addColour("*green*", {0, 255, 0, 255});
    addColour("*blue*", {0, 0, 255, 255});
    const std::pair<float, Rgba> cases[] = {{1.6f, {0, 0, 255, 255}}, {1.4f, {0, 255, 0, 255}},
                                            {0.5f, {0, 255, 0, 255}}, {-0.4f, {255, 0, 0, 255}},
                                            {2.6f, {0, 0, 0, 255}}};
    for (auto [index, colour] : cases) {
        glClear(GL_COLOR_BUFFER_BIT);
        clearDepthTo(0.25);
        overlay(index, 1.0f)->onRender();
        EXPECT_EQ(pixel(100, 100), colour) << "texture " << index;
        EXPECT_EQ(depthAt(10, 10), 1.0f) << "texture " << index;
    }
}

TEST_F(OverlayEffectTest, AlphaBelowTheThresholdLeavesFrameAndDepthAloneAndBlendsFromThere) {
    addColour("*blue*", {0, 0, 255, 255});
    addColour("*half*", {0, 255, 0, 128});
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    clearDepthTo(0.25);
    const std::vector<std::uint8_t> before = frame();
    overlay(0.0f, 0.00099f)->onRender();
    EXPECT_EQ(frame(), before);
    EXPECT_FLOAT_EQ(depthAt(10, 10), 0.25f);
    overlay(0.0f, 0.001f)->onRender();
    EXPECT_EQ(depthAt(10, 10), 1.0f) << "at the threshold it draws, clearing the depth first";

    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_LIGHTING);  // the overlay must switch it off, or the quad would ignore its colour
    overlay(0.0f, 0.5f)->onRender();
    const Rgba half = pixel(128, 128);
    EXPECT_NEAR(half[0], 128, 1);
    EXPECT_EQ(half[1], 0);
    EXPECT_NEAR(half[2], 128, 1);

    glClear(GL_COLOR_BUFFER_BIT);
    overlay(1.0f, 0.5f)->onRender();  // 0.5 x 128/255 of green over red
    const Rgba quarter = pixel(128, 128);
    EXPECT_NEAR(quarter[0], 191, 1);
    EXPECT_NEAR(quarter[1], 64, 1);
}

}  // namespace
