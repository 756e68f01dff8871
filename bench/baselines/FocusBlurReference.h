// The focus blur's opacity written out plainly: the tests' reference, the benchmark's baseline.
#pragma once

#include <cmath>

namespace reference {

// Opacity byte at depth d for focal depth f, range g and strength s.
inline int focusOpacity(float d, float f, float g, float s) {
    float z = 1.0f, a = 0.0f;  // linear depth of a perspective with near 0.1 and far 250, over 250
    if (!(d >= 0.9999f)) z = 50.0f / (250.1f - (2.0f * d - 1.0f) * 249.9f) / 250.0f;
    const float c = std::fabs(z - f);
    if (!(c <= g)) {
        float x = (c - g) * s;
        x = x > 1.0f ? 1.0f : x > 0.0f ? x : 0.0f;  // a NaN parameter counts as 0
        a = (3.0f - 2.0f * x) * (x * x);
    }
    return static_cast<int>(a * 255.0f);
}

}  // namespace reference
