// PredatorEffect: turns the frame drawn so far into a thermal view through a targeting
// display: multiplies it by a colour gradient (warm in the centre, cold blue at the edges),
// darkens every fourth scanline and adds a red head-up display (pulsing corner brackets, a
// targeting triangle, two columns of flickering dot glyphs). Works in project pixels, not in
// the current viewport. Saves and restores the GL state it changes.
#pragma once

#include "core/Effect.h"

class PredatorEffect : public Effect {
public:
    PredatorEffect();

    void onInit() override;
    void onUpdate(float time) override { currentTime = time; }
    void onRender() override;
    const char* getClassName() const override { return "PredatorEffect"; }

    // Whether dot glyph (side k, row j, column i) is lit for glyph frame f = floor(time * scanSpeed).
    static bool glyphLit(int side, int row, int column, float frame);

    float intensity = 1.0f;
    float uiAlpha = 0.8f;
    float scanSpeed = 15.0f;
    float currentTime = 0.0f;

private:
    void drawTint(float w, float h) const;
    void drawScanlines(float w, float h) const;
    void drawDisplay(float w, float h) const;
};
