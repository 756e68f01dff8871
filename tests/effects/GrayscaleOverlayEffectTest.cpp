// GrayscaleOverlayEffect in a real GL context: the white wash at full and half opacity whatever
// the design size, and its re-bound "enabled" track that hides it while the effect stays on for
// the manager.
#include <gtest/gtest.h>

#include "core/ProjectGlobals.h"
#include "effects/GrayscaleOverlayEffect.h"
#include "support/GlFixture.h"

namespace {

using Rgba = std::array<std::uint8_t, 4>;

class GrayscaleOverlayEffectTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        glClearColor(0.2f, 0.4f, 0.6f, 1.0f);  // 51, 102, 153
        glClear(GL_COLOR_BUFFER_BIT);
        e.init();
    }
    GrayscaleOverlayEffect e;
};

TEST_F(GrayscaleOverlayEffectTest, ItsEnabledSwitchHidesTheWashWhileTheEffectStaysOn) {
    EXPECT_EQ(e.findTrack("enabled")->target, &e.washEnabled);
    e.findTrack("enabled")->setKey(10.0f, 0.0f, InterpType::Step);
    e.findTrack("enabled")->setKey(20.0f, 1.0f, InterpType::Step);
    e.updateAllTracks(12.0f);
    EXPECT_TRUE(e.isEnabled()) << "the base member keeps its value, so the manager still draws it";
    e.render();
    EXPECT_EQ(pixel(5, 5), (Rgba{51, 102, 153, 255}));
    e.updateAllTracks(21.0f);
    e.render();
    EXPECT_EQ(pixel(0, 0), (Rgba{255, 255, 255, 255})) << "the defaults wash the whole picture white";
    EXPECT_EQ(pixel(63, 63), (Rgba{255, 255, 255, 255}));
}

TEST_F(GrayscaleOverlayEffectTest, HalfGrayBlendsHalfwayToWhiteWhateverTheDesignSizeAndZeroDrawsNothing) {
    projectWidth = 1920;
    projectHeight = 1080;
    e.findTrack("gray")->setKey(0.0f, 0.0f, InterpType::Linear);
    e.findTrack("gray")->setKey(1.0f, 0.5f, InterpType::Linear);
    e.updateAllTracks(0.0f);
    e.render();
    EXPECT_EQ(pixel(5, 5), (Rgba{51, 102, 153, 255})) << "gray 0 draws nothing";
    e.updateAllTracks(1.0f);
    e.render();
    for (auto [x, y] : {std::pair{0, 0}, {63, 63}, {20, 40}})
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(pixel(x, y)[c], (51 * (c + 1) + 255) / 2.0, 1.0) << x << "," << y;
}

}  // namespace
