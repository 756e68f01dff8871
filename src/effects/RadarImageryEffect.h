// RadarImageryEffect: re-renders the frame drawn so far as grainy monochrome radar imagery.
// It reads the viewport back, turns every pixel into a contrast-curved grey with per-pixel
// noise from the shared generator (one draw per pixel, in row order) and a moving bright
// sweep band with a dark band half a screen behind, uploads the result into a texture of its
// own, blends it over the frame with `radarMix`, and draws a grey targeting display on top.
// The processing runs on the worker threads and in vector lanes yet yields the bytes and the
// generator state of the plain one-thread loop. Saves and restores the GL state it changes,
// pixel-store alignment included.
#pragma once

#include <cstdint>
#include <vector>

#include "core/Effect.h"

class RadarImageryEffect : public Effect {
public:
    struct Settings {
        float contrast = 1.8f;
        float noiseIntensity = 0.15f;
        bool negative = false;
        float sweepRow = 0.0f;  // row of the bright band's centre; the dark band is height / 2 below
    };

    RadarImageryEffect();
    ~RadarImageryEffect() override;

    void onInit() override;
    void onUpdate(float time) override { currentTime = time; }
    void onRender() override;
    const char* getClassName() const override { return "RadarImageryEffect"; }

    // fmod(time * sweepSpeed * 20, height): NaN when time is not finite (no band is drawn).
    static float sweepRow(float time, float sweepSpeed, int height);
    // width x height RGBA pixels as little-endian words (R in the low byte, row 0 first) -> one
    // grey byte per pixel. With noise on it
    // takes width * height numbers from the shared generator, in row order, and leaves it
    // where that many runtime::rand() calls would.
    static void processImage(const std::uint32_t* rgba, int width, int height, const Settings& settings,
                             std::uint8_t* grey);
    // The same processing written out plainly, as the baseline the fast one is measured and
    // tested against: one thread, pixel by pixel over an RGB read-back (3 bytes a pixel), the
    // C library's powf, one runtime::rand() per pixel; the grey goes to all three bytes of
    // `rgbOut`.
    static void processImagePlain(const std::uint8_t* rgb, int width, int height, const Settings& settings,
                                  std::uint8_t* rgbOut);

    unsigned int imageTexture = 0;  // luminance texture of bufferWidth x bufferHeight
    int bufferWidth = 0, bufferHeight = 0;
    std::vector<std::uint32_t> readBuffer;  // the viewport as read back, one RGBA word a pixel
    std::vector<std::uint8_t> imageBuffer;  // the processed image, one grey byte per pixel
    float radarMix = 0.0f;
    float noiseIntensity = 0.15f;
    float contrast = 1.8f;
    float isNegative = 0.0f;
    float sweepSpeed = 8.0f;
    float currentTime = 0.0f;

private:
    void allocate(int width, int height);
    void drawDisplay(float width, float height) const;
};
