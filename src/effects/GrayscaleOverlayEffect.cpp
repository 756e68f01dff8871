// GrayscaleOverlayEffect: one blended quad in an orthographic projection of the design size.
#include "effects/GrayscaleOverlayEffect.h"

#include <GL/gl.h>

#include "base/Logger.h"
#include "core/ProjectGlobals.h"
#include "core/ScreenOverlay.h"

GrayscaleOverlayEffect::GrayscaleOverlayEffect() { logLine("GrayscaleOverlayEffect constructor called."); }

void GrayscaleOverlayEffect::onInit() {
    createTrack("gray", &gray, 0.0f, 1.0f, 1.0f);
    // The base made "enabled" already: this takes that track over (range, no snapping, the key
    // at time 0) and binds it to washEnabled, so the manager always calls onRender.
    createTrack("enabled", &washEnabled, 0.0f, 1.0f, 1.0f, false, InterpType::Step);
}

void GrayscaleOverlayEffect::onRender() {
    if (washEnabled < 0.5f || gray <= 0.0f) return;
    const auto w = static_cast<GLdouble>(projectWidth);
    const auto h = static_cast<GLdouble>(projectHeight);

    const ScreenOverlay overlay(0.0, w, 0.0, h);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, gray);
    drawScreenQuad(w, h);
}
