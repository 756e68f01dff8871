// OverlayEffect in a real GL context: a store texture shown pixel for pixel when the viewport
// matches its size, the rounded texture index, the alpha
// threshold that leaves frame and depth buffer alone, and blending. The generic test over all
// effects checks the GL state it restores.
#include <gtest/gtest.h>

#include "core/TextureManager.h"
#include "effects/OverlayEffect.h"
#include "effects/PlasmaEffect.h"
#include "support/GlFixture.h"
#include "support/EffectHelpers.h"

namespace {

using Rgba = std::array<std::uint8_t, 4>;

class OverlayEffectTest : public GlFixture {
protected:
    OverlayEffectTest() : GlFixture(256, 256) {}
    static void overlay(float texture, float alpha) {
        OverlayEffect e;
        e.init();
        setKeys(e, {{"texture", texture}, {"alpha", alpha}});
        e.updateAllTracks(0.0f);
        e.onRender();
    }
    // A 2 x 2 dynamic texture of one colour at the end of the store's list.
    static void addColour(const char* name, Rgba colour) {
        std::array<std::uint8_t, 16> texels{};
        for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = colour[i % 4];
        TextureManager::instance().updateDynamicTexture(name, 2, 2, texels.data());
    }
    // Clears the colour buffer and sets the depth buffer to `depth`.
    static void clearTo(double depth) {
        glClearDepth(depth);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
    }
    static float depthAt(int x, int y) {
        float depth = -1.0f;
        glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        return depth;
    }
};

// The image is bottom row first in memory, as the frame is read back. (That file textures are
// stored that way too is TextureManagerTest's.)
TEST_F(OverlayEffectTest, ShowsAStoreTexturePixelForPixel) {
    PlasmaEffect plasma;
    plasma.init();
    setKeys(plasma, {{"envMapMode", 0.0f}});
    plasma.updateAllTracks(2.5f);
    overlay(0.0f, 1.0f);
    EXPECT_EQ(frame(), plasma.image.pixels);
}

// Past the end it draws nothing, but the depth buffer is cleared all the same.
TEST_F(OverlayEffectTest, TheTextureIndexIsRoundedToAPositionInTheStore) {
    addColour("*red*", {255, 0, 0, 255});
    addColour("*green*", {0, 255, 0, 255});
    addColour("*blue*", {0, 0, 255, 255});
    const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255}, black{0, 0, 0, 255};
    const std::pair<float, Rgba> cases[] = {{1.6f, blue}, {1.4f, green}, {0.5f, green}, {-0.4f, red}, {2.6f, black}};
    for (auto [index, colour] : cases) {
        clearTo(0.25);
        overlay(index, 1.0f);
        EXPECT_EQ(pixel(100, 100), colour) << "texture " << index;
        EXPECT_EQ(depthAt(10, 10), 1.0f) << "texture " << index;
    }
}

TEST_F(OverlayEffectTest, AlphaBelowTheThresholdLeavesFrameAndDepthAloneAndBlendsFromThere) {
    addColour("*blue*", {0, 0, 255, 255});
    addColour("*half*", {0, 255, 0, 128});
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    clearTo(0.25);
    const std::vector<std::uint8_t> before = frame();
    overlay(0.0f, 0.00099f);
    EXPECT_EQ(frame(), before);
    EXPECT_FLOAT_EQ(depthAt(10, 10), 0.25f);
    overlay(0.0f, 0.001f);
    EXPECT_EQ(depthAt(10, 10), 1.0f) << "at the threshold it draws, clearing the depth first";

    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_LIGHTING);  // the overlay must switch it off, or the quad would ignore its colour
    overlay(0.0f, 0.5f);
    EXPECT_NEAR(pixel(128, 128)[0], 128, 1);
    EXPECT_EQ(pixel(128, 128)[1], 0);
    EXPECT_NEAR(pixel(128, 128)[2], 128, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    overlay(1.0f, 0.5f);  // 0.5 x 128/255 of green over red
    EXPECT_NEAR(pixel(128, 128)[0], 191, 1);
    EXPECT_NEAR(pixel(128, 128)[1], 64, 1);
}

}  // namespace
