// GloomEffect: radial light rays ("god rays") over whatever the effects before it drew this
// frame. It copies the viewport's picture into a texture and adds it back several times, each
// copy zoomed a little further towards an origin point and fainter than the one before, so
// bright areas smear outwards from the origin. Its nine tracks are made in the constructor and
// read by name. Saves and restores the GL state it changes.
#pragma once

#include "core/Effect.h"
#include "core/ViewportTexture.h"

class GloomEffect : public Effect {
public:
    GloomEffect();

    void onInit() override {}
    void onUpdate(float) override {}
    void onRender() override;
    const char* getClassName() const override { return "GloomEffect"; }

    // More passes than this are not drawn (the track's own range ends at 40).
    static constexpr int kMaxPasses = 256;

    ViewportTexture capture{ViewportTexture::Channels::Rgb};
};
