// CinematicOverlayEffect over a flat (200, 100, 50): flash, vignette and the depth it clears.
#include <gtest/gtest.h>

#include "effects/CinematicOverlayEffect.h"
#include "support/ScreenPicture.h"

namespace {

class CinematicOverlayEffectTest : public ScreenEffectTest {
protected:
    void overlay(float vignette, float flash) {
        glClearColor(200 / 255.0f, 100 / 255.0f, 50 / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        fillDepth({0, 0, 64, 64}, 0.25);
        drawWith(e, {{"vignette_darkness", vignette}, {"beat_flash", flash}});
    }
    CinematicOverlayEffect e;
};

// The flash: c + (255 - c) x 0.4 f, nothing at 0.01 but the depth buffer cleared all the same.
// On a diagonal the vignette's opacity is v x the distance / 1.5 (0.94 v at the corner).
TEST_F(CinematicOverlayEffectTest, FlashVignetteAndDepthClear) {
    overlay(0.0f, 0.01f);
    float depth = 0.0f;
    glReadPixels(5, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f);
    EXPECT_EQ(pixel(5, 5)[2], 50);
    overlay(0.0f, 1.0f);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(pixel(32, 32)[c], (Rgb{222, 162, 132}[c]), 1);
    overlay(0.8f, 0.0f);
    for (int k : {0, 10, 32, 50, 63}) {
        const double a = 0.8 * std::sqrt(2.0) * std::fabs((k + 0.5) / 32 - 1) / 1.5;
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(pixel(k, k)[c], (Rgb{200, 100, 50}[c]) * (1 - a), 1) << k;
    }
}

}  // namespace
