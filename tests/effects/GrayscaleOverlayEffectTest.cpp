// GrayscaleOverlayEffect in a real GL context: the white wash at full and half opacity, its
// re-bound "enabled" track that hides it while the effect stays on for the manager, and the
// GL state it restores.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>

#include "core/Logger.h"
#include "core/ProjectGlobals.h"
#include "effects/GrayscaleOverlayEffect.h"
#include "support/GlFixture.h"
#include "support/GlState.h"
#include "support/TempDir.h"

namespace {

using Rgba = std::array<std::uint8_t, 4>;

class GrayscaleOverlayEffectTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        resetProjectGlobals();
        glClearColor(0.2f, 0.4f, 0.6f, 1.0f);  // 51, 102, 153
        glClear(GL_COLOR_BUFFER_BIT);
    }
    static std::unique_ptr<GrayscaleOverlayEffect> make() {
        auto e = std::make_unique<GrayscaleOverlayEffect>();
        e->init();
        return e;
    }
};

TEST_F(GrayscaleOverlayEffectTest, TakesOverTheBaseEnabledTrack) {
    TempDir dir;
    Logger::instance().open(dir.file("log.txt"), true);
    auto e = make();
    Logger::instance().close();
    std::ifstream in(dir.file("log.txt"));
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("] GrayscaleOverlayEffect constructor called.\n"), std::string::npos) << log;

    ASSERT_EQ(e->tracks.size(), 2u) << "one enabled track, not two";
    KeyframeTrack* enabled = e->findTrack("enabled");
    EXPECT_EQ(e->tracks[0], enabled);
    EXPECT_EQ(e->tracks[1]->getName(), "gray");
    EXPECT_EQ(enabled->target, &e->washEnabled);
    EXPECT_FALSE(enabled->snapToInteger);
    EXPECT_EQ(enabled->minValue, 0.0f);
    EXPECT_EQ(enabled->maxValue, 1.0f);
    ASSERT_EQ(enabled->keys.size(), 1u);
    EXPECT_EQ(enabled->keys.begin()->second.value, 1.0f);
    EXPECT_EQ(enabled->keys.begin()->second.interp, InterpType::Step);
    EXPECT_EQ(e->findTrack("gray")->target, &e->gray);
    EXPECT_EQ(e->gray, 1.0f);
}

TEST_F(GrayscaleOverlayEffectTest, DefaultsTurnThePictureWhite) {
    auto e = make();
    e->updateAllTracks(1.0f);
    const GlState before = GlState::capture();
    e->render();
    EXPECT_TRUE(GlState::capture() == before) << GlState::capture().differences(before);
    EXPECT_EQ(pixel(0, 0), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pixel(63, 63), (Rgba{255, 255, 255, 255}));
}

TEST_F(GrayscaleOverlayEffectTest, HalfGrayBlendsHalfwayToWhiteWhateverTheDesignSize) {
    projectWidth = 1920;
    projectHeight = 1080;
    auto e = make();
    e->findTrack("gray")->setKey(0.0f, 0.5f, InterpType::Linear);
    e->updateAllTracks(1.0f);
    e->render();
    for (auto [x, y] : {std::array{0, 0}, {63, 63}, {20, 40}}) {
        const Rgba px = pixel(x, y);
        EXPECT_NEAR(px[0], (51 + 255) / 2.0, 1.0);
        EXPECT_NEAR(px[1], (102 + 255) / 2.0, 1.0);
        EXPECT_NEAR(px[2], (153 + 255) / 2.0, 1.0);
    }
}

TEST_F(GrayscaleOverlayEffectTest, ItsEnabledSwitchHidesTheWashWhileTheEffectStaysOn) {
    auto e = make();
    KeyframeTrack* enabled = e->findTrack("enabled");
    enabled->setKey(10.0f, 0.0f, InterpType::Step);
    enabled->setKey(20.0f, 1.0f, InterpType::Step);
    const Rgba background = pixel(5, 5);

    e->updateAllTracks(12.0f);
    EXPECT_EQ(e->washEnabled, 0.0f);
    EXPECT_TRUE(e->isEnabled()) << "the base member keeps its value, so the manager still draws it";
    e->render();
    EXPECT_EQ(pixel(5, 5), background);

    e->updateAllTracks(21.0f);
    e->render();
    EXPECT_EQ(pixel(5, 5), (Rgba{255, 255, 255, 255}));

    glClear(GL_COLOR_BUFFER_BIT);
    e->findTrack("gray")->setKey(0.0f, 0.0f, InterpType::Linear);
    e->updateAllTracks(22.0f);
    e->render();
    EXPECT_EQ(pixel(5, 5), background) << "gray 0 draws nothing";
}

}  // namespace
