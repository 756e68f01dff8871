// ColorFilterEffect: each filter is a few blended quads in an orthographic projection of the
// design resolution W x H, which the viewport maps onto the picture. The texture filters first
// copy the viewport's picture (ViewportTexture), so texel and pixel match one to one.
#include "effects/ColorFilterEffect.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/Logger.h"
#include "core/ProjectGlobals.h"
#include "core/ScreenOverlay.h"

namespace {

// Scan lines are 4 units apart; a design height beyond 4 x this many lines is not a real
// screen, and the cap keeps the line count of such a project bounded.
constexpr int kMaxScanLines = 65536;

void washWith(float r, float g, float b, float a, double w, double h) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(r, g, b, a);
    drawScreenQuad(w, h);
}

// Multiplies the picture by a colour (destination-colour / zero), optionally by the copy too.
void multiplyBy(float r, float g, float b, double w, double h, bool textured) {
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glColor4f(r, g, b, 1.0f);
    drawScreenQuad(w, h, textured);
}

// Adds the copy with opacity a (source-alpha / one).
void addCopy(float a, double w, double h) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1.0f, 1.0f, 1.0f, a);
    drawScreenQuad(w, h, true);
}

}  // namespace

ColorFilterEffect::ColorFilterEffect() { logLine("ColorFilterEffect constructor called."); }

void ColorFilterEffect::onInit() {
    createTrack("filterType", &filterType, 0.0f, 10.0f, 0.0f, true, InterpType::Step);
    createTrack("mix", &mix, 0.0f, 1.0f, 1.0f);
}

int ColorFilterEffect::filterNumber(float type) {
    if (!(type >= 0.5f)) return 0;
    if (type >= 10.5f) return 11;
    return static_cast<int>(std::round(type));
}

void ColorFilterEffect::onRender() {
    const int filter = filterNumber(filterType);
    if (filter == 0 || !(mix > 0.0f)) return;  // NaN mix draws nothing either
    if (projectWidth <= 0 || projectHeight <= 0) return;
    const auto w = static_cast<double>(projectWidth);
    const auto h = static_cast<double>(projectHeight);

    const ScreenOverlay overlay(0.0, w, 0.0, h);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    if (filter == 7 || filter == 9 || filter == 10) {
        const ViewportRect viewport = currentViewport();
        if (viewport.empty()) return;
        glEnable(GL_TEXTURE_2D);
        frameCopy.copyViewport(viewport);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);  // texel times the colour's alpha
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    drawFilter(filter, w, h);
}

void ColorFilterEffect::drawFilter(int filter, double w, double h) {
    const float m = mix;
    switch (filter) {
        case 1: washWith(0.3f, 0.3f, 0.3f, m, w, h); break;     // dark grey
        case 2: washWith(0.44f, 0.35f, 0.25f, m, w, h); break;  // sepia
        case 3:  // inversion: (1 - destination) x 1, whatever m is
            glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ZERO);
            glColor4f(1.0f, 1.0f, 1.0f, m);
            drawScreenQuad(w, h);
            break;
        case 4: multiplyBy(1.0f, 1.0f - m, 1.0f - m, w, h, false); break;  // red tint
        case 5:
            multiplyBy(1.0f - m, 1.0f, 1.0f - m, w, h, false);  // green tint
            drawScanLines(w, h);
            break;
        case 6:
            multiplyBy(1.0f - m, 1.0f - 0.5f * m, 1.0f, w, h, false);  // blue tint
            drawScanLines(w, h);
            break;
        case 7:  // soft light: towards mid grey, times the original, plus some of it
            glDisable(GL_TEXTURE_2D);
            washWith(0.5f, 0.5f, 0.5f, 0.6f * m, w, h);
            glEnable(GL_TEXTURE_2D);
            multiplyBy(1.0f, 1.0f, 1.0f, w, h, true);
            addCopy(0.4f * m, w, h);
            break;
        case 8: {  // vignette: transparent centre, opacity m at the rim (the screen's edge)
            glShadeModel(GL_SMOOTH);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            glBegin(GL_TRIANGLE_FAN);
            glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
            glVertex2d(w / 2.0, h / 2.0);
            glColor4f(0.0f, 0.0f, 0.0f, m);
            glVertex2d(0.0, 0.0);
            glVertex2d(w, 0.0);
            glVertex2d(w, h);
            glVertex2d(0.0, h);
            glVertex2d(0.0, 0.0);
            glEnd();
            break;
        }
        case 9: {  // glow: four shifted copies and the copy itself added
            // A shift of the whole screen size already moves every copy off the viewport, so
            // capping it there changes no pixel and keeps huge or infinite mixes finite.
            const double o = std::min(6.0 * static_cast<double>(m), std::max(w, h));
            glBlendFunc(GL_SRC_ALPHA, GL_ONE);
            glColor4f(1.0f, 1.0f, 1.0f, 0.25f * m);
            for (auto [dx, dy] : {std::pair{-o, -o}, {o, -o}, {-o, o}, {o, o}})
                drawTexturedRect(dx, dy, dx + w, dy + h, 0.0f, 0.0f, 1.0f, 1.0f);
            addCopy(0.4f * m, w, h);
            break;
        }
        case 10:  // contrast: the picture times itself, plus some of it
            multiplyBy(1.0f, 1.0f, 1.0f, w, h, true);
            addCopy(0.3f * m, w, h);
            break;
        default: washWith(1.0f, 1.0f, 1.0f, m, w, h); break;  // 11 and above: white
    }
}

void ColorFilterEffect::drawScanLines(double w, double h) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.2f * mix);
    glLineWidth(2.0f);
    const int lines = static_cast<int>(std::min(std::ceil(h / 4.0), static_cast<double>(kMaxScanLines)));
    glBegin(GL_LINES);
    for (int i = 0; i < lines; ++i) {
        const double y = 4.0 * i;
        glVertex2d(0.0, y);
        glVertex2d(w, y);
    }
    glEnd();
}
