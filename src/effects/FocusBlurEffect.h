// FocusBlurEffect: depth of field. It takes what has been drawn so far in the viewport (colour
// and depth), blurs a copy of it with shifted passes on a sunflower spiral, and lays the blur
// back over the sharp picture with an opacity that grows with each pixel's distance from a
// focal plane, so that objects away from it go soft. Its five tracks are made in the
// constructor and read by name. Saves and restores the GL state it changes; does not touch
// the depth buffer.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "core/Effect.h"
#include "core/ViewportTexture.h"

class FocusBlurEffect : public Effect {
public:
    FocusBlurEffect();

    void onInit() override {}
    void onUpdate(float) override {}
    void onRender() override { renderSteps({}); }
    const char* getClassName() const override { return "FocusBlurEffect"; }

    // The steps of a draw, in order: the copy of the sharp picture, the blur passes, the read-
    // backs of colour and depth, the per-pixel opacity, its upload, the two final quads.
    enum class Step { Copy, Passes, ReadBack, Composite, Upload, Draw };
    // onRender, calling `afterStep` (when set) at the end of each step: the benchmark's timer.
    void renderSteps(const std::function<void(Step)>& afterStep);

    struct Focus {
        float depth;     // focal plane, linear depth 0 (near) ... 1 (far)
        float range;     // half-width of the sharp zone
        float strength;  // how fast the blur fades in beyond it
    };
    // The opacity of the blur at each of `count` pixels from its depth-buffer value: writes the
    // alpha byte of rgba[i] (packed little-endian RGBA words) and leaves R, G and B alone.
    // Vectorised and spread over the worker threads.
    static void composite(const float* depth, std::uint32_t* rgba, int count, Focus focus);

    // More passes than this cannot change an 8-bit picture: pass i only moves it by 1/(i + 1).
    static constexpr int kMaxPasses = 256;

    ViewportTexture sharp{ViewportTexture::Channels::Rgb};
    ViewportTexture blur{ViewportTexture::Channels::Rgba};
    std::vector<std::uint32_t> pixels;  // the blurred picture, RGBA words, then with the opacity
    std::vector<float> depths;          // the depth buffer of the viewport

private:
    void drawPasses(int passes, float radius, int width, int height) const;
};
