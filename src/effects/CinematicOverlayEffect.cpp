// CinematicOverlayEffect: a quad and a triangle fan in an orthographic projection from -1 to 1,
// so the layers cover the viewport whatever its size.
#include "effects/CinematicOverlayEffect.h"

#include <GL/gl.h>

#include <cmath>

#include "base/Logger.h"
#include "core/ScreenOverlay.h"

CinematicOverlayEffect::CinematicOverlayEffect() {
    logLine("CinematicOverlayEffect constructor called.");
    createTrack("vignette_darkness", nullptr, 0.0f, 1.0f, 0.8f);
    createTrack("beat_flash", nullptr, 0.0f, 1.0f, 0.0f);
}

void CinematicOverlayEffect::onRender() {
    const ScreenOverlay overlay(-1.0, 1.0, -1.0, 1.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_COLOR_MATERIAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glShadeModel(GL_SMOOTH);  // the vignette's opacity is interpolated from centre to rim

    // Written as "greater than" so that NaN draws nothing.
    const float vignette = trackValue("vignette_darkness");
    const float flash = trackValue("beat_flash");
    if (flash > 0.01f) {
        glColor4f(1.0f, 1.0f, 1.0f, 0.4f * flash);
        glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
    }
    if (vignette > 0.01f) {
        glBegin(GL_TRIANGLE_FAN);
        glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
        glVertex2f(0.0f, 0.0f);
        glColor4f(0.0f, 0.0f, 0.0f, vignette);
        for (int i = 0; i <= kRimSegments; ++i) {
            const float a = 2.0f * 3.14159265f * static_cast<float>(i) / kRimSegments;
            glVertex2f(kRimRadius * std::cos(a), kRimRadius * std::sin(a));
        }
        glEnd();
    }
    glDepthMask(GL_TRUE);
}
