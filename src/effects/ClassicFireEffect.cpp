// ClassicFireEffect: the automaton runs on one thread because every cell draws from the one
// shared generator in a fixed order. The colouring pass is per pixel with the sphere-map lookup
// precomputed (the field size is fixed); it stays on one thread too, because it costs less than
// waking a second one (measured: two threads were slower, and far slower on a busy machine).
#include "effects/ClassicFireEffect.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/Random.h"
#include "core/SphereMap.h"

namespace {

constexpr int kSize = 256;

}  // namespace

void ClassicFireEffect::onInit() {
    createTrack("intensity", &intensity, 0.0f, 2.0f, 1.2f);
    createTrack("cooling", &cooling, 0.001f, 0.2f, 0.008f);
    createTrack("speed", &speed, 0.0f, 5.0f, 1.0f);
    createTrack("envMapMode", &envMapMode, 0.0f, 1.0f, 1.0f, true, InterpType::Step);
    width = kSize;
    height = kSize;
    heat.assign(65536, 0.0f);
    nextHeat.assign(static_cast<std::size_t>(width) * height, 0.0f);
    buildPalette();
    image.create("*DynamicFire_" + instanceName + "*", width, height);
    buildSphereMap();
}

void ClassicFireEffect::buildPalette() {
    for (int i = 0; i < 256; ++i) {
        int r, g, b;
        if (i < 85) {
            r = 3 * i, g = 0, b = 0;
        } else if (i < 170) {
            r = 255, g = 3 * (i - 85), b = 0;
        } else {
            r = 255, g = 255, b = std::min(255, 3 * (i - 170));
        }
        palette[i] = {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)};
        paletteWords_[i] = static_cast<std::uint32_t>(r) | static_cast<std::uint32_t>(g) << 8 |
                           static_cast<std::uint32_t>(b) << 16;
    }
}

void ClassicFireEffect::buildSphereMap() {
    const SphereMap& map = sphereMapFor(width, height);
    sphereSource_.assign(map.u.size(), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            if (!map.inside[i]) continue;
            const int sx = std::clamp(static_cast<int>(std::trunc(map.u[i] * static_cast<float>(width))), 0, width - 1);
            const int sy = std::clamp(static_cast<int>(std::trunc(map.v[i] * static_cast<float>(height))), 0, height - 1);
            sphereSource_[i] = sy * width + sx;
        }
    }
}

void ClassicFireEffect::onUpdate(float time) {
    if (!image.startFrame(time)) return;
    const float rounded = std::round(speed);
    const int steps = rounded >= 1.0f ? static_cast<int>(std::min(rounded, static_cast<float>(kMaxStepsPerUpdate))) : 1;
    for (int s = 0; s < steps; ++s) step();
    colourImage();
    image.upload();
}

void ClassicFireEffect::step() {
    for (int x = 0; x < width; ++x)
        heat[static_cast<std::size_t>(x)] = std::clamp(static_cast<float>(runtime::rand() % 255) * intensity, 0.0f, 255.0f);

    const float loss = cooling * 255.0f;
    for (int y = 1; y < height; ++y) {
        const float* below = &heat[static_cast<std::size_t>(y - 1) * width];
        float* row = &nextHeat[static_cast<std::size_t>(y) * width];
        for (int x = 0; x < width; ++x) {
            int sx = x + runtime::rand() % 3 - 1;
            if (sx < 0) sx += width;
            if (sx >= width) sx -= width;
            const float h = below[sx] - loss - static_cast<float>(runtime::rand() % 4);
            row[x] = std::max(0.0f, h);
        }
    }
    // A copy, not a swap: nextHeat's row 0 must stay 0 so the seed row shows as heat 0.
    std::copy(nextHeat.begin(), nextHeat.end(), heat.begin());
}

void ClassicFireEffect::colourImage() {
    const bool sphere = envMapMode >= 0.5f;
    const float* field = heat.data();
    const std::uint32_t* words = paletteWords_.data();
    const std::vector<std::uint32_t>& insideMask = sphereMapFor(width, height).inside;

    for (int y = 0; y < kSize; ++y) {
        std::uint32_t row[kSize];
        const std::size_t start = static_cast<std::size_t>(y) * kSize;
        if (sphere) {
            const std::int32_t* source = &sphereSource_[start];
            const std::uint32_t* inside = &insideMask[start];
            for (int x = 0; x < kSize; ++x) {
                const std::uint32_t k = toChannel(field[source[x]]);
                row[x] = (words[k] | (k > 0 ? 0xFF000000u : 0u)) & inside[x];
            }
        } else {
            for (int x = 0; x < kSize; ++x) {
                const std::uint32_t k = toChannel(field[start + static_cast<std::size_t>(x)]);
                row[x] = words[k] | (k > 0 ? 0xFF000000u : 0u);
            }
        }
        std::memcpy(image.row(y), row, sizeof row);
    }
}
