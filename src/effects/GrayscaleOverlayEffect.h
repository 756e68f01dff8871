// GrayscaleOverlayEffect: a white full-screen wash of adjustable opacity over everything drawn
// before it (a fade towards white), sized by the project's design resolution. Its "enabled"
// track is re-bound to a member of its own, so it is switched on and off by its draw, not by
// the effect manager. Saves and restores the GL state it changes.
#pragma once

#include "core/Effect.h"

class GrayscaleOverlayEffect : public Effect {
public:
    GrayscaleOverlayEffect();

    void onInit() override;
    void onUpdate(float) override {}
    void onRender() override;
    const char* getClassName() const override { return "GrayscaleOverlayEffect"; }

    float gray = 1.0f;
    // Bound to the "enabled" track after onInit; the base `enabled` keeps its value from then on.
    float washEnabled = 1.0f;
};
