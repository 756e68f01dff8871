// A processor-computed RGBA image that an effect shares through the texture store under a
// dynamic texture name ("*DynamicPlasma_*" and the like): the pixel buffer, the name, the
// rule that an unchanged time computes nothing, and the upload. Also the small pixel helpers
// the image effects share. It does not compute pixels: each effect writes its own formula
// into `pixels` between startFrame and upload.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DynamicImage {
    // Sizes the buffer to width x height RGBA pixels, all bytes `fill`, and names the texture.
    // The time of the last image goes back to -1 (none yet).
    void create(std::string name, int imageWidth, int imageHeight, std::uint8_t fill = 255);
    // False when `time` is exactly the time of the last image (nothing to recompute);
    // otherwise remembers it and returns true.
    bool startFrame(float time);
    // Replaces the store's texture `textureName` with `pixels` (made on first use).
    void upload() const;
    // Row y of the image as packed little-endian RGBA words (R in the low byte).
    std::uint32_t* row(int y) { return reinterpret_cast<std::uint32_t*>(pixels.data()) + static_cast<std::size_t>(y) * width; }

    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;  // RGBA, row 0 first, 4 bytes a pixel
    std::string textureName;
    float lastTime = -1.0f;
};

// trunc toward zero, then clamp to 0 ... 255. Clamping in float first keeps NaN (-> 0) and
// huge values away from the integer conversion; finite in-range values truncate as int() does.
inline std::uint32_t toChannel(float v) {
    v = v > 0.0f ? v : 0.0f;
    v = v < 255.0f ? v : 255.0f;
    return static_cast<std::uint32_t>(static_cast<int>(v));
}

// values[i] = sqrt(values[i]) for i < count, correctly rounded, in vector registers (the
// compiler does not vectorise sqrtf while it might have to set errno).
void sqrtInPlace(float* values, int count);
