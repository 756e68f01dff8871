// OverlayEffect: one textured, blended quad over the unit square in an orthographic projection.
// The depth buffer is cleared first so later 3D effects draw over a fresh depth range.
#include "effects/OverlayEffect.h"

#include <GL/gl.h>

#include <cmath>

#include "base/Logger.h"
#include "core/ScreenOverlay.h"
#include "core/TextureManager.h"

OverlayEffect::OverlayEffect() {
    logLine("OverlayEffect constructor called.");
    createTrack("texture", nullptr, 0.0f, 50.0f, 0.0f);
    createTrack("alpha", nullptr, 0.0f, 1.0f, 1.0f);
}

void OverlayEffect::onRender() {
    const float alpha = trackValue("alpha");
    const float index = std::round(trackValue("texture"));
    if (alpha < 0.001f) return;

    const ScreenOverlay overlay(0.0, 1.0, 0.0, 1.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    TextureManager& store = TextureManager::instance();
    const auto& names = store.textureNames();
    // Written as a range test on the float so NaN and huge values select nothing.
    if (index >= 0.0f && index < static_cast<float>(names.size())) {
        const std::string name = names[static_cast<std::size_t>(index)];
        auto texture = store.getTexture(name);
        if (texture && texture->id != 0) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, texture->id);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);  // the image's alpha times `alpha`
            glColor4f(1.0f, 1.0f, 1.0f, alpha);
            drawScreenQuad(1.0, 1.0, true);
        }
    }
}
