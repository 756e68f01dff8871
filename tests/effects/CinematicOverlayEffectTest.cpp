// CinematicOverlayEffect in a real GL context: the flash's white layer, the vignette at the
// centre, edges and corners against the fan's geometry, and the depth buffer it clears.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "base/Logger.h"
#include "effects/CinematicOverlayEffect.h"
#include "support/GlFixture.h"
#include "support/ScreenPicture.h"
#include "support/TempDir.h"
#include "support/TrackTable.h"

namespace {

constexpr Rgb kBackground{200, 100, 50};

// Opacity of the fan at point (x, y) in -1 ... 1: v times how far the point lies from the
// centre towards the chord between the two rim points around it (radius 1.5, 32 segments).
double fanOpacity(double x, double y, double v) {
    const double step = 2.0 * std::numbers::pi / 32.0;
    double angle = std::atan2(y, x);
    if (angle < 0) angle += 2.0 * std::numbers::pi;
    const double middle = (std::floor(angle / step) + 0.5) * step;  // the chord's normal
    return v * (x * std::cos(middle) + y * std::sin(middle)) / (1.5 * std::cos(step / 2.0));
}

class CinematicOverlayEffectTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        glClearColor(200 / 255.0f, 100 / 255.0f, 50 / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void draw(float vignette, float flash) {
        CinematicOverlayEffect e;
        e.init();
        e.findTrack("vignette_darkness")->setKey(0.0f, vignette, InterpType::Linear);
        e.findTrack("beat_flash")->setKey(0.0f, flash, InterpType::Linear);
        e.updateAllTracks(0.0f);
        e.render();
    }
    static void expectRgb(Rgb got, Rgb want, const char* what) {
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1) << what << " channel " << i;
    }
};

TEST_F(CinematicOverlayEffectTest, LogsAndMakesItsUnboundTracksInTheConstructor) {
    TempDir dir;
    Logger::instance().open(dir.file("log.txt"), true);
    CinematicOverlayEffect e;
    Logger::instance().close();
    EXPECT_NE(dir.read("log.txt").find("] CinematicOverlayEffect constructor called.\n"), std::string::npos);
    e.init();
    expectTrackTable(e, {{"vignette_darkness", 0, 1, 0.8f, false, InterpType::Linear},
                         {"beat_flash", 0, 1, 0.0f, false, InterpType::Linear},
                         {"enabled", 0, 1, 1.0f, true, InterpType::Step, &e.enabled}});
}

TEST_F(CinematicOverlayEffectTest, TheFlashAddsAWhiteLayerOfOpacityPointFourTimesItsStrength) {
    draw(0.0f, 0.01f);
    EXPECT_EQ(rgbAt(5, 5), kBackground) << "at or below 0.01 there is no flash";
    draw(0.0f, 1.0f);
    for (auto [x, y] : {std::pair{0, 0}, {32, 32}, {63, 10}})
        expectRgb(rgbAt(x, y), {222, 162, 132}, "flash 1");  // c + (255 - c) x 0.4
    glClear(GL_COLOR_BUFFER_BIT);
    draw(0.0f, 0.5f);
    expectRgb(rgbAt(20, 40), {211, 131, 91}, "flash 0.5");  // c + (255 - c) x 0.2
}

TEST_F(CinematicOverlayEffectTest, TheVignetteDarkensFromTheCentreAlongTheFan) {
    draw(0.8f, 0.0f);
    for (auto [x, y] : {std::pair{32, 32}, {0, 0}, {63, 63}, {0, 32}, {63, 20}, {10, 50}, {40, 3}}) {
        const double a = fanOpacity((x + 0.5) / 32.0 - 1.0, (y + 0.5) / 32.0 - 1.0, 0.8);
        const Rgb want{static_cast<int>(std::lround(200 * (1 - a))), static_cast<int>(std::lround(100 * (1 - a))),
                       static_cast<int>(std::lround(50 * (1 - a)))};
        expectRgb(rgbAt(x, y), want, ("pixel " + std::to_string(x) + "," + std::to_string(y)).c_str());
    }
    EXPECT_NEAR(fanOpacity(1.0, 1.0, 1.0), std::sqrt(2.0) / 1.5, 1e-9) << "the corner lies on a rim point's ray";
}

// A far quad drawn after the effect shows in front of a near one drawn before it, also when
// the effect draws nothing.
TEST_F(CinematicOverlayEffectTest, ItClearsTheDepthBufferSoLaterObjectsDrawInFront) {
    const auto quad = [](float depth, float r, float g) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glColor3f(r, g, 0.0f);
        glBegin(GL_QUADS);
        glVertex3f(-0.5f, -0.5f, 2 * depth - 1);
        glVertex3f(0.5f, -0.5f, 2 * depth - 1);
        glVertex3f(0.5f, 0.5f, 2 * depth - 1);
        glVertex3f(-0.5f, 0.5f, 2 * depth - 1);
        glEnd();
        glDisable(GL_DEPTH_TEST);
    };
    for (float vignette : {0.8f, 0.0f}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        quad(0.2f, 1.0f, 0.0f);
        draw(vignette, 0.0f);
        quad(0.9f, 0.0f, 1.0f);
        EXPECT_EQ(rgbAt(32, 32), (Rgb{0, 255, 0})) << "vignette " << vignette;
    }
}

}  // namespace
