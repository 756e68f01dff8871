// Known pictures for the screen effects' tests: a picture given pixel by pixel, registered as a
// store image and drawn texel for pixel over the viewport; flat colour patches; and the
// viewport of a 4:3 project letterboxed in a 16:9 window, with a check that its bars are black.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ProjectGlobals.h"
#include "core/TextureManager.h"
#include "core/ViewportTexture.h"

using Rgb = std::array<int, 3>;

// Draws colourAt(x, y) (viewport pixels, y from the bottom) over the viewport v: the picture
// becomes the store image "*picture WxH*" and is drawn with identity matrices, no blending and
// no depth test, so each pixel gets its texel exactly.
template <class ColourAt>
void drawPicture(const ViewportRect& v, ColourAt colourAt) {
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(v.width) * v.height * 4);
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            const Rgb c = colourAt(x, y);
            rgba.insert(rgba.end(), {static_cast<std::uint8_t>(c[0]), static_cast<std::uint8_t>(c[1]),
                                     static_cast<std::uint8_t>(c[2]), 255});
        }
    }
    // The store keeps a dynamic texture's first size, so every size has its own name.
    const std::string name = "*picture " + std::to_string(v.width) + "x" + std::to_string(v.height) + "*";
    const auto texture = TextureManager::instance().updateDynamicTexture(name, v.width, v.height, rgba.data());
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture->id);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

// Four flat patches, the viewport's quadrants: lower left, lower right, upper left, upper right.
inline constexpr std::array<Rgb, 4> kPatchColours{{{200, 100, 50}, {20, 180, 240}, {128, 64, 255}, {90, 90, 90}}};
inline Rgb patchAt(const ViewportRect& v, int x, int y) {
    return kPatchColours[(x >= v.width / 2 ? 1 : 0) + (y >= v.height / 2 ? 2 : 0)];
}
inline void drawPatches(const ViewportRect& v) {
    drawPicture(v, [&](int x, int y) { return patchAt(v, x, y); });
}

// A 4:3 project (640 x 480) in a 160 x 90 window: 90 x 4/3 = 120 columns, centred.
inline constexpr int kWideWindowWidth = 160, kWideWindowHeight = 90;
inline constexpr ViewportRect kLetterbox{20, 0, 120, 90};
inline void useLetterbox() {
    projectWidth = 640;
    projectHeight = 480;
    glViewport(kLetterbox.x, kLetterbox.y, kLetterbox.width, kLetterbox.height);
}

// RGB of window pixel (x, y).
inline Rgb rgbAt(int x, int y) {
    std::array<std::uint8_t, 4> p{};
    glFinish();
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
    return {p[0], p[1], p[2]};
}

// Whether every window pixel left and right of the letterbox is black.
inline bool letterboxBarsAreBlack() {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(kWideWindowWidth) * kWideWindowHeight * 4);
    glFinish();
    glReadPixels(0, 0, kWideWindowWidth, kWideWindowHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (int y = 0; y < kWideWindowHeight; ++y) {
        for (int x = 0; x < kWideWindowWidth; ++x) {
            if (x >= kLetterbox.x && x < kLetterbox.x + kLetterbox.width) continue;
            const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * kWideWindowWidth + x) * 4];
            if (p[0] != 0 || p[1] != 0 || p[2] != 0) return false;
        }
    }
    return true;
}
