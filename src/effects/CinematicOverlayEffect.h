// CinematicOverlayEffect: two screen-space layers over everything drawn before it: a white
// flash of opacity 0.4 x `beat_flash` (an audio-reactive track can drive it from the music)
// and a round vignette whose rim opacity is `vignette_darkness`. It clears the depth buffer
// first, so 3D effects later in the list draw over the whole picture. Its tracks are made in
// the constructor and read by name. Saves and restores the GL state it changes.
#pragma once

#include "core/Effect.h"

class CinematicOverlayEffect : public Effect {
public:
    CinematicOverlayEffect();

    void onInit() override {}
    void onUpdate(float) override {}
    void onRender() override;
    const char* getClassName() const override { return "CinematicOverlayEffect"; }

    static constexpr int kRimSegments = 32;     // the fan's rim: 33 points, the first repeated
    static constexpr float kRimRadius = 1.5f;  // beyond the screen's corners (at distance sqrt 2)
};
