// GloomEffect: one copy of the viewport, then n additive textured quads over the unit square,
// pass i zoomed by s = 1 + i x strength about the origin, with opacity decay^i x alpha and the
// tint as colour (modulate). The first pass is already zoomed, so the image itself is never
// added again.
#include "effects/GloomEffect.h"

#include <GL/gl.h>

#include <cmath>

#include "base/Logger.h"
#include "core/ScreenOverlay.h"
#include "core/TrackValues.h"

namespace {

// A colour channel for glColor: NaN becomes 0, like a negative value after GL's own clamp.
float colourChannel(float v) { return v > 0.0f ? v : 0.0f; }

}  // namespace

GloomEffect::GloomEffect() {
    logLine("GloomEffect constructor called.");
    createTrack("passes", nullptr, 1.0f, 40.0f, 15.0f, true);
    createTrack("strength", nullptr, 0.001f, 0.1f, 0.02f);
    createTrack("alpha", nullptr, 0.0f, 1.0f, 0.1f);
    createTrack("decay", nullptr, 0.5f, 1.0f, 0.95f);
    createTrack("origin.x", nullptr, -0.5f, 1.5f, 0.5f);
    createTrack("origin.y", nullptr, -0.5f, 1.5f, 0.5f);
    createTrack("tint.r", nullptr, 0.0f, 1.0f, 1.0f);
    createTrack("tint.g", nullptr, 0.0f, 1.0f, 1.0f);
    createTrack("tint.b", nullptr, 0.0f, 1.0f, 1.0f);
}

void GloomEffect::onRender() {
    const ViewportRect viewport = currentViewport();
    const int passes = trackvalue::truncatedIn(trackValue("passes"), 0, kMaxPasses);
    if (viewport.empty() || passes < 1) return;  // nothing would be added
    const float strength = trackValue("strength");
    const float alpha = trackValue("alpha");
    const float decay = trackValue("decay");
    const float ox = trackValue("origin.x");
    const float oy = trackValue("origin.y");
    const float r = colourChannel(trackValue("tint.r"));
    const float g = colourChannel(trackValue("tint.g"));
    const float b = colourChannel(trackValue("tint.b"));

    const ScreenOverlay overlay(0.0, 1.0, 0.0, 1.0);
    glEnable(GL_TEXTURE_2D);
    capture.copyViewport(viewport);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    for (int i = 1; i <= passes; ++i) {
        const float s = 1.0f + static_cast<float>(i) * strength;
        const float opacity = std::pow(decay, static_cast<float>(i)) * alpha;  // single precision
        // The window's edges zoomed about the origin, in texture coordinates.
        const float left = ox + (0.0f - ox) / s, right = ox + (1.0f - ox) / s;
        const float bottom = oy + (0.0f - oy) / s, top = oy + (1.0f - oy) / s;
        // A pass of opacity 0 or below (or NaN) adds nothing; a zoom of 0 or NaN has no picture.
        if (!(opacity > 0.0f) || !std::isfinite(left + right + bottom + top)) continue;
        glColor4f(r, g, b, opacity);
        drawTexturedRect(0.0, 0.0, 1.0, 1.0, left, bottom, right, top);
    }
}
