// ColorFilterEffect: recolours everything drawn before it in the frame with one of ten full-
// screen filters (grey and sepia washes, inversion, red, green and blue tints with scan lines,
// a soft-light look, a vignette, a glow, a contrast boost) or, above them, a white wash, faded
// in by `mix`. Fixed-function blending over quads in the design resolution's coordinates; the
// soft-light, glow and contrast filters also use a copy of the viewport's picture. Saves and
// restores the GL state it changes.
#pragma once

#include "core/Effect.h"
#include "core/ViewportTexture.h"

class ColorFilterEffect : public Effect {
public:
    ColorFilterEffect();

    void onInit() override;
    void onUpdate(float) override {}
    void onRender() override;
    const char* getClassName() const override { return "ColorFilterEffect"; }

    // The filter number `filterType` selects: 0 for none (below 0.5 or NaN), 1 ... 10, and 11
    // for everything from 10.5 up (the white wash).
    static int filterNumber(float filterType);

    float filterType = 0.0f;
    float mix = 1.0f;
    ViewportTexture frameCopy{ViewportTexture::Channels::Rgb};  // filters 7, 9 and 10

private:
    void drawFilter(int filter, double w, double h);
    void drawScanLines(double w, double h);
};
