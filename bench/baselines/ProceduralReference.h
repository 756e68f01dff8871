// The procedural texture formulas written out straightforwardly, pixel by pixel, with the C
// library's single-precision functions: the sphere-map layout, the plasma and the caustics of a
// 256 x 256 image. Tests compare the effects' fast images with them; the benchmark times them
// as the scalar baseline. Independent of the effects' code; not meant to be fast.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace reference {

constexpr int kSize = 256;
using Rgba = std::array<int, 4>;

struct PlasmaParams {
    float time, speed, scale, r, g, b;
    bool sphere;
};
struct CausticsParams {
    float time, speed, scale, sharpness, r, g, b;
    bool sphere;
};

inline int channel(float v) { return std::clamp(static_cast<int>(std::trunc(v)), 0, 255); }

// Sphere-map coordinates in 0..1 of pixel (x, y), or false outside the disc.
inline bool sphereCoordinates(int x, int y, float& u, float& v) {
    const float nx = 2.0f * x / (kSize - 1) - 1.0f, ny = 2.0f * y / (kSize - 1) - 1.0f;
    const float d = nx * nx + ny * ny;
    if (d > 1.0f) return false;
    const float z = std::sqrt(1.0f - d);
    u = static_cast<float>(std::atan2(2.0f * z * nx, 2.0f * z * z - 1.0f) / (2.0 * std::numbers::pi) + 0.5);
    v = static_cast<float>(std::asin(2.0f * z * ny) / std::numbers::pi + 0.5);
    return true;
}

inline Rgba plasmaPixel(int x, int y, const PlasmaParams& k) {
    const float pi = std::numbers::pi_v<float>, p = k.time * k.speed;
    float u = k.scale * x, v = k.scale * y;
    if (k.sphere) {
        if (!sphereCoordinates(x, y, u, v)) return {0, 0, 0, 0};
        u = u * kSize * k.scale;
        v = v * kSize * k.scale;
    }
    const float s = std::sin(std::sqrt(u * u + v * v) + p) + std::sin(u + p) + std::sin(v + p) + std::sin(u + v + p);
    const float a = (s + 4.0f) * 0.125f * pi;
    return {channel(std::sin(a) * 255.0f * k.r), channel(std::sin(a + 2.0f) * 255.0f * k.g),
            channel(std::sin(a + 4.0f) * 255.0f * k.b), 255};
}

inline Rgba causticsPixel(int x, int y, const CausticsParams& k) {
    const float p = k.time * k.speed;
    float u = static_cast<float>(x) / kSize * k.scale, v = static_cast<float>(y) / kSize * k.scale;
    if (k.sphere) {
        if (!sphereCoordinates(x, y, u, v)) return {0, 0, 0, 0};
        u *= k.scale;
        v *= k.scale;
    }
    const float cu = std::floor(u), fu = u - cu, cv = std::floor(v), fv = v - cv;
    float m = 1.0f;
    for (int dj = -1; dj <= 1; ++dj) {
        for (int di = -1; di <= 1; ++di) {
            const float gx = cu + di, gy = cv + dj;
            const float h1 = std::fmod(std::fabs(std::sin(gx * 127.1f + gy * 311.7f) * 43758.547f), 1.0f);
            const float h2 = std::fmod(std::fabs(std::sin(gx * 269.5f + gy * 183.3f) * 43758.547f), 1.0f);
            const float dx = di + h1 + 0.5f * std::sin(h1 * 6.2831f + p) - fu;
            const float dy = dj + h2 + 0.5f * std::cos(h2 * 6.2831f + p) - fv;
            m = std::min(m, std::sqrt(dx * dx + dy * dy));
        }
    }
    const float value = (std::pow(1.0f - m, k.sharpness) + 0.15f) * 255.0f;
    return {channel(value * k.r), channel(value * k.g), channel(value * k.b), 255};
}

// Pixel (x, y) of a 256 x 256 RGBA image stored row 0 first.
inline Rgba pixelAt(const std::vector<std::uint8_t>& image, int x, int y) {
    const std::size_t i = (static_cast<std::size_t>(y) * kSize + x) * 4;
    return {image[i], image[i + 1], image[i + 2], image[i + 3]};
}

template <class Pixel>
void fillImage(std::vector<std::uint8_t>& image, Pixel pixel) {
    image.resize(static_cast<std::size_t>(kSize) * kSize * 4);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const Rgba c = pixel(x, y);
            std::copy(c.begin(), c.end(), &image[(static_cast<std::size_t>(y) * kSize + x) * 4]);
        }
    }
}

// How a whole image differs from the reference: pixels with any channel off, the largest
// channel difference, and where the first differing pixel is.
struct Difference {
    int pixels = 0, largest = 0, firstX = -1, firstY = -1;
};

template <class Pixel>
Difference compareImage(const std::vector<std::uint8_t>& image, Pixel pixel) {
    Difference d;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const Rgba got = pixelAt(image, x, y), want = pixel(x, y);
            if (got == want) continue;
            if (d.pixels++ == 0) {
                d.firstX = x;
                d.firstY = y;
            }
            for (int c = 0; c < 4; ++c) d.largest = std::max(d.largest, std::abs(got[c] - want[c]));
        }
    }
    return d;
}

}  // namespace reference
