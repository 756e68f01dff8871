// OverlayEffect: stretches one image of the texture store over the whole viewport with
// adjustable opacity, over everything drawn before it. The image is chosen by position in the
// store's list of names. Its tracks are made in the constructor and read by name, not bound
// to members. Saves and restores the GL state it changes.
#pragma once

#include "core/Effect.h"

class OverlayEffect : public Effect {
public:
    OverlayEffect();

    void onInit() override {}
    void onUpdate(float) override {}
    void onRender() override;
    const char* getClassName() const override { return "OverlayEffect"; }
};
