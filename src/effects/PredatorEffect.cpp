// PredatorEffect: a multiplied triangle fan, blended scanlines and an additive display, all in
// an orthographic projection of the project's design resolution.
#include "effects/PredatorEffect.h"

#include <GL/gl.h>

#include <cmath>

#include "base/Logger.h"
#include "core/ProjectGlobals.h"
#include "core/ScreenOverlay.h"

namespace {
constexpr int kGlyphRows = 20;
constexpr int kGlyphColumns = 3;
}  // namespace

PredatorEffect::PredatorEffect() { logLine("PredatorEffect constructor called."); }

void PredatorEffect::onInit() {
    createTrack("intensity", &intensity, 0.0f, 1.0f, 1.0f);
    createTrack("uiAlpha", &uiAlpha, 0.0f, 1.0f, 0.8f);
    createTrack("scanSpeed", &scanSpeed, 0.0f, 50.0f, 15.0f);
}

bool PredatorEffect::glyphLit(int side, int row, int column, float frame) {
    const float v = std::sin(static_cast<float>(column) * 17.3f + (frame + static_cast<float>(row) * 37.1f) +
                             static_cast<float>(side) * 91.2f) *
                    43758.547f;
    return std::fmod(std::fabs(v), 1.0f) > 0.5f;  // NaN (a time or speed that is not finite): unlit
}

void PredatorEffect::onRender() {
    // Also false for NaN; a design size that is not positive has nothing to draw into.
    if (!isEnabled() || !(intensity > 0.0f) || projectWidth <= 0 || projectHeight <= 0) return;
    const float w = static_cast<float>(projectWidth), h = static_cast<float>(projectHeight);

    const ScreenOverlay overlay(0.0, w, 0.0, h);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    drawTint(w, h);
    drawScanlines(w, h);
    drawDisplay(w, h);
}

// The frame times the drawn colour: brighter towards orange in the centre, blue at the rim.
void PredatorEffect::drawTint(float w, float h) const {
    const float i = intensity;
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glBegin(GL_TRIANGLE_FAN);
    glColor4f(2.0f * i, i, 0.5f * i, 1.0f);
    glVertex2f(w / 2.0f, h / 2.0f);
    glColor4f(0.1f * i, 0.2f * i, 1.5f * i, 1.0f);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(w, 0.0f);
    glVertex2f(w, h);
    glVertex2f(0.0f, h);
    glVertex2f(0.0f, 0.0f);
    glEnd();
}

void PredatorEffect::drawScanlines(float w, float h) const {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.25f * intensity);
    glLineWidth(2.0f);
    glBegin(GL_LINES);
    for (int y = 0; static_cast<float>(y) < h; y += 4) {
        glVertex2f(0.0f, static_cast<float>(y));
        glVertex2f(w, static_cast<float>(y));
    }
    glEnd();
}

void PredatorEffect::drawDisplay(float w, float h) const {
    const float cx = w / 2.0f, cy = h / 2.0f;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1.0f, 0.1f, 0.1f, uiAlpha);
    glLineWidth(2.0f);

    float r = std::sin(3.0f * currentTime) * 5.0f + 150.0f;
    if (!std::isfinite(r)) r = 150.0f;  // a time that is not finite: brackets at rest
    constexpr float kArm = 30.0f;
    glBegin(GL_LINES);
    for (float sy : {1.0f, -1.0f}) {
        for (float sx : {-1.0f, 1.0f}) {
            const float x = cx + sx * r, y = cy + sy * r;
            glVertex2f(x, y);
            glVertex2f(x - sx * kArm, y);
            glVertex2f(x, y);
            glVertex2f(x, y - sy * kArm);
        }
    }
    glEnd();

    const float triangle[3][2] = {{cx, cy + 15.0f}, {cx - 15.0f, cy - 10.0f}, {cx + 15.0f, cy - 10.0f}};
    glBegin(GL_LINE_LOOP);
    for (const auto& p : triangle) glVertex2f(p[0], p[1]);
    glEnd();
    glPointSize(4.0f);
    glBegin(GL_POINTS);
    for (const auto& p : triangle) glVertex2f(p[0], p[1]);
    glEnd();

    glPointSize(6.0f);
    const float frame = std::floor(currentTime * scanSpeed);
    const float rowStep = h * 0.7f / static_cast<float>(kGlyphRows);
    glBegin(GL_POINTS);
    for (int side = 0; side < 2; ++side) {
        const float x0 = side == 0 ? 60.0f : w - 108.0f;
        for (int j = 0; j < kGlyphRows; ++j)
            for (int i = 0; i < kGlyphColumns; ++i)
                if (glyphLit(side, j, i, frame))
                    glVertex2f(x0 + 16.0f * static_cast<float>(i), h * 0.15f + static_cast<float>(j) * rowStep);
    }
    glEnd();
}
