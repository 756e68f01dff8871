// The focus blur's per-pixel composite written out straightforwardly, one pixel at a time with
// branches, from the blurred RGB bytes and the depth floats to RGBA bytes. Tests compare the
// effect's fast loop with it; the benchmark times it as the scalar baseline. Independent of the
// effect's code; not meant to be fast.
#pragma once

#include <cmath>
#include <cstdint>

namespace reference {

// Opacity at one depth-buffer value d for focal depth f, range g and strength s.
inline float focusOpacity(float d, float f, float g, float s) {
    float z;  // linear depth: a perspective with near 0.1 and far 250, divided by 250
    if (d >= 0.9999f)
        z = 1.0f;
    else
        z = 50.0f / (250.1f - (2.0f * d - 1.0f) * 249.9f) / 250.0f;
    const float c = std::fabs(z - f);
    if (c <= g) return 0.0f;
    float x = (c - g) * s;
    if (!(x > 0.0f)) x = 0.0f;  // a NaN parameter counts as 0
    if (x > 1.0f) x = 1.0f;
    return (3.0f - 2.0f * x) * (x * x);
}

inline void focusComposite(const std::uint8_t* rgb, const float* depth, std::uint8_t* rgba, int count, float f,
                           float g, float s) {
    for (int i = 0; i < count; ++i) {
        rgba[4 * i + 0] = rgb[3 * i + 0];
        rgba[4 * i + 1] = rgb[3 * i + 1];
        rgba[4 * i + 2] = rgb[3 * i + 2];
        rgba[4 * i + 3] = static_cast<std::uint8_t>(static_cast<int>(focusOpacity(depth[i], f, g, s) * 255.0f));
    }
}

}  // namespace reference
