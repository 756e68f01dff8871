// Screen effect tests: pictures drawn texel for pixel from a store image, a letterbox, a fixture.
#pragma once

#include <algorithm>
#include <cmath>

#include "core/Effect.h"
#include "core/ProjectGlobals.h"
#include "core/ScreenOverlay.h"
#include "core/TextureManager.h"
#include "core/ViewportTexture.h"
#include "support/EffectHelpers.h"
#include "support/GlFixture.h"

using Rgb = std::array<int, 3>;
inline constexpr ViewportRect kLetterbox{20, 0, 120, 90};  // 640 x 480 in 160 x 90: 90 x 4/3 = 120 wide

template <class ColourAt>  // Rgb colourAt(x, y) in viewport pixels, y from the bottom
void drawPicture(const ViewportRect& v, ColourAt colourAt) {
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < v.width * v.height * 4; ++i)
        rgba.push_back(static_cast<std::uint8_t>(i % 4 == 3 ? 255 : colourAt(i / 4 % v.width, i / 4 / v.width)[i % 4]));
    const std::string name = "*picture " + std::to_string(v.width) + "x" + std::to_string(v.height) + "*";
    const ScreenOverlay overlay(0.0, 1.0, 0.0, 1.0);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, TextureManager::instance().updateDynamicTexture(name, v.width, v.height, rgba.data())->id);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    drawScreenQuad(1.0, 1.0, true);
}

// The viewport's quadrants: lower left, lower right, upper left, upper right.
inline constexpr std::array<Rgb, 4> kPatches{{{200, 100, 50}, {20, 180, 240}, {128, 64, 255}, {90, 90, 90}}};
inline Rgb patchAt(const ViewportRect& v, int x, int y) { return kPatches[(x >= v.width / 2) + 2 * (y >= v.height / 2)]; }
inline void drawPatches(const ViewportRect& v) { drawPicture(v, [&](int x, int y) { return patchAt(v, x, y); }); }

class ScreenEffectTest : public GlFixture {
protected:
    void useLetterbox() {
        ASSERT_TRUE(gl_.resize(160, 90)) << gl_.error();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        projectWidth = 640;
        projectHeight = 480;
        glViewport(kLetterbox.x, kLetterbox.y, kLetterbox.width, kLetterbox.height);
    }
    void expectBlackBars() const {
        for (int y = 0; y < 90; ++y) ASSERT_EQ(pixel(0, y)[0] + pixel(19, y)[1] + pixel(140, y)[2] + pixel(159, y)[0], 0) << y;
    }
    static void fillDepth(const ViewportRect& r, double depth) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(r.x, r.y, r.width, r.height);
        glClearDepth(depth);
        glClear(GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
        glDisable(GL_SCISSOR_TEST);
    }
};
