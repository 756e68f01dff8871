// The radar imagery's processing written out straightforwardly: one thread, pixel by pixel
// over an RGB read-back (row 0 first), the C library's powf, one runtime::rand() per pixel in
// row order. Tests compare the effect's fast processing with it; the benchmark times it as the
// baseline. Independent of the effect's code; not meant to be fast.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "base/Random.h"

namespace reference {

struct RadarParams {
    float time, contrast, noise;
    bool negative;
};

// Grey RGB output (R = G = B) into `out`, width x height x 3 bytes; the sweep line moves at
// 8 * 20 rows a second.
inline void radarImage(const std::vector<std::uint8_t>& rgb, int width, int height, const RadarParams& k,
                       std::vector<std::uint8_t>& out) {
    out.resize(rgb.size());
    const float s = std::fmod(k.time * 8.0f * 20.0f, static_cast<float>(height));
    const float s2 = s - static_cast<float>(height) / 2.0f;
    for (int r = 0; r < height; ++r) {
        float gain = 1.0f;
        if (std::fabs(static_cast<float>(r) - s) < 4.0f) gain = 1.4f;
        if (std::fabs(static_cast<float>(r) - s2) < 2.0f) gain = 0.7f;
        for (int x = 0; x < width; ++x) {
            const std::size_t p = (static_cast<std::size_t>(r) * width + x) * 3;
            const float red = rgb[p], green = rgb[p + 1], blue = rgb[p + 2];
            float l = std::pow(green / 255.0f * 0.587f + red / 255.0f * 0.299f + blue / 255.0f * 0.114f, k.contrast);
            if (k.noise > 0.0f) l += runtime::rand() / 32767.0f * k.noise - k.noise / 2.0f;
            l = l * gain;
            l = l > 0.0f ? l : 0.0f;  // clamp to 0 ... 1, NaN to 0
            l = l < 1.0f ? l : 1.0f;
            if (k.negative) l = 1.0f - l;
            out[p] = out[p + 1] = out[p + 2] = static_cast<std::uint8_t>(static_cast<int>(l * 255.0f));
        }
    }
}

}  // namespace reference
