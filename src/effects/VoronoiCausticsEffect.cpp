// VoronoiCausticsEffect: the image is a pure function of time and parameters. A feature point
// depends only on its cell and the phase, so each frame first computes every cell's point
// once (a small table), and the per-pixel work is the nearest of nine table entries: loops the
// compiler vectorises (an AVX2 clone where the processor has it), rows spread over the worker threads.
// Every value goes through the same single-precision steps as the plain per-pixel formula
// (computeRowsScalar), so the bytes are the same.
#include "effects/VoronoiCausticsEffect.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/Logger.h"
#include "base/Workers.h"
#include "core/SphereMap.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define CAUSTICS_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define CAUSTICS_VECTOR_CLONES
#endif

namespace {

constexpr int kSize = 256;
// Beyond this many cells (absurd scales) the plain formula is cheaper than the table.
constexpr float kMaxCellsAcross = 256.0f;

inline float cellHash(float gx, float gy, float a, float b) {
    return std::fmod(std::fabs(std::sin(gx * a + gy * b) * 43758.547f), 1.0f);
}

// floor for |v| well inside the int range, written so the loop vectorises (std::floor is a
// library call on plain x86-64).
inline int floorToInt(float v) {
    const int t = static_cast<int>(v);
    return t - (static_cast<float>(t) > v ? 1 : 0);
}

struct Gains {
    float r, g, b;
};

// The cells around the image: cell (first + i, first + j) is entry j * across + i. For the
// offset d = -1, 0, 1 of a cell from a pixel's own cell, offsetX[(d + 1) * cells + entry] is
// (d + h1) + 0.5 sin(h1 * 6.2831 + p), the x of the feature point before "- fu"; same for y.
struct CellTable {
    int first;
    int across;
    int cells;
    const float* offsetX;
    const float* offsetY;
};

// One row: nearest feature point (the minimum over squared distances, then one square root:
// sqrt is monotonic and correctly rounded, so this equals the minimum of the roots), the
// ridge value, the colour.
CAUSTICS_VECTOR_CLONES
void causticsRow(const float* u, const float* v, const CellTable& table, float sharpness, Gains gains,
                 const std::uint32_t* inside, std::uint32_t* out) {
    alignas(32) float fu[kSize], fv[kSize], m[kSize];
    alignas(32) int cell[kSize];
    for (int x = 0; x < kSize; ++x) {
        const int cu = floorToInt(u[x]);
        const int cv = floorToInt(v[x]);
        fu[x] = u[x] - static_cast<float>(cu);
        fv[x] = v[x] - static_cast<float>(cv);
        cell[x] = (cv - table.first) * table.across + (cu - table.first);
    }
    for (int x = 0; x < kSize; ++x) {
        float best = 1.0f;
        for (int dj = -1; dj <= 1; ++dj) {
            for (int di = -1; di <= 1; ++di) {
                const int c = cell[x] + dj * table.across + di;
                const float px = table.offsetX[(di + 1) * table.cells + c] - fu[x];
                const float py = table.offsetY[(dj + 1) * table.cells + c] - fv[x];
                best = std::min(best, px * px + py * py);
            }
        }
        m[x] = best;
    }
    sqrtInPlace(m, kSize);
    for (int x = 0; x < kSize; ++x) m[x] = (std::pow(1.0f - m[x], sharpness) + 0.15f) * 255.0f;
    for (int x = 0; x < kSize; ++x) {
        const std::uint32_t word = toChannel(m[x] * gains.r) | toChannel(m[x] * gains.g) << 8 |
                                   toChannel(m[x] * gains.b) << 16 | 0xFF000000u;
        out[x] = word & inside[x];
    }
}

}  // namespace

VoronoiCausticsEffect::VoronoiCausticsEffect() { logLine("VoronoiCausticsEffect constructor called."); }

void VoronoiCausticsEffect::onInit() {
    createTrack("speed", &speed, -10.0f, 10.0f, 1.5f);
    createTrack("scale", &scale, 1.0f, 30.0f, 6.0f);
    createTrack("sharpness", &sharpness, 0.1f, 10.0f, 3.5f);
    createTrack("color.r", &colorR, 0.0f, 2.0f, 0.2f);
    createTrack("color.g", &colorG, 0.0f, 2.0f, 0.8f);
    createTrack("color.b", &colorB, 0.0f, 2.0f, 1.0f);
    createTrack("envMapMode", &envMapMode, 0.0f, 1.0f, 1.0f, true, InterpType::Step);
    image.create("*DynamicCaustics_" + instanceName + "*", kSize, kSize);
    buildSphereMap();
}

void VoronoiCausticsEffect::buildSphereMap() {
    const SphereMap& map = sphereMapFor(kSize, kSize);
    // Outside pixels keep 0, which lies in the range too, so they index valid cells.
    auto [lowU, highU] = std::minmax_element(map.u.begin(), map.u.end());
    auto [lowV, highV] = std::minmax_element(map.v.begin(), map.v.end());
    sphereLowest_ = std::min(*lowU, *lowV);
    sphereHighest_ = std::max(*highU, *highV);
}

void VoronoiCausticsEffect::onUpdate(float time) {
    if (!image.startFrame(time)) return;
    computeImage(time);
    image.upload();
}

void VoronoiCausticsEffect::computeImage(float time) {
    const float phase = time * speed;
    const bool sphere = envMapMode >= 0.5f;

    // u and v (both axes alike) lie between these; multiplying by scale is monotonic.
    const float a = sphere ? sphereLowest_ * scale : 0.0f;
    const float b = sphere ? sphereHighest_ * scale : static_cast<float>(kSize - 1) / static_cast<float>(kSize) * scale;
    const float lowCell = std::floor(std::min(a, b)) - 1.0f;
    const float highCell = std::floor(std::max(a, b)) + 1.0f;
    // a and b are tested themselves: min and max drop a NaN, which would pass as cells -1 .. 1.
    if (!std::isfinite(a) || !std::isfinite(b) ||
        !(std::fabs(lowCell) < 1.0e6f && std::fabs(highCell) < 1.0e6f && highCell - lowCell < kMaxCellsAcross) ||
        !std::isfinite(phase)) {
        computeRowsScalar(phase, sphere);
        return;
    }

    const int first = static_cast<int>(lowCell);
    const int across = static_cast<int>(highCell) - first + 1;
    const int cells = across * across;
    offsetX_.resize(static_cast<std::size_t>(cells) * 3);
    offsetY_.resize(static_cast<std::size_t>(cells) * 3);
    for (int j = 0; j < across; ++j) {
        for (int i = 0; i < across; ++i) {
            const float gx = static_cast<float>(first + i);
            const float gy = static_cast<float>(first + j);
            const float h1 = cellHash(gx, gy, 127.1f, 311.7f);
            const float h2 = cellHash(gx, gy, 269.5f, 183.3f);
            const float waveX = 0.5f * std::sin(h1 * 6.2831f + phase);
            const float waveY = 0.5f * std::cos(h2 * 6.2831f + phase);
            const int entry = j * across + i;
            for (int d = -1; d <= 1; ++d) {
                offsetX_[static_cast<std::size_t>((d + 1) * cells + entry)] = (static_cast<float>(d) + h1) + waveX;
                offsetY_[static_cast<std::size_t>((d + 1) * cells + entry)] = (static_cast<float>(d) + h2) + waveY;
            }
        }
    }
    const CellTable table{first, across, cells, offsetX_.data(), offsetY_.data()};
    const Gains gains{colorR, colorG, colorB};

    alignas(32) float flatU[kSize];
    alignas(32) std::uint32_t allInside[kSize];
    for (int x = 0; x < kSize; ++x) {
        flatU[x] = static_cast<float>(x) / static_cast<float>(kSize) * scale;
        allInside[x] = ~0u;
    }

    const SphereMap& map = sphereMapFor(kSize, kSize);
    workers::parallelFor(kSize, [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            alignas(32) float flatV[kSize];
            alignas(32) std::uint32_t row[kSize];
            const std::size_t start = static_cast<std::size_t>(y) * kSize;
            if (sphere) {
                alignas(32) float u[kSize], v[kSize];
                for (int x = 0; x < kSize; ++x) {
                    u[x] = map.u[start + x] * scale;
                    v[x] = map.v[start + x] * scale;
                }
                causticsRow(u, v, table, sharpness, gains, &map.inside[start], row);
            } else {
                std::fill(flatV, flatV + kSize, static_cast<float>(y) / static_cast<float>(kSize) * scale);
                causticsRow(flatU, flatV, table, sharpness, gains, allInside, row);
            }
            std::memcpy(image.row(y), row, sizeof row);
        }
    });
}

// The formula pixel by pixel: for scales too large for the cell table and non-finite values.
void VoronoiCausticsEffect::computeRowsScalar(float phase, bool sphere) {
    const SphereMap& map = sphereMapFor(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * kSize + x;
            std::uint32_t word = 0;
            if (!sphere || map.inside[i]) {
                const float u = sphere ? map.u[i] * scale : static_cast<float>(x) / static_cast<float>(kSize) * scale;
                const float v = sphere ? map.v[i] * scale : static_cast<float>(y) / static_cast<float>(kSize) * scale;
                const float cu = std::floor(u), fu = u - cu;
                const float cv = std::floor(v), fv = v - cv;
                float m = 1.0f;
                for (int dj = -1; dj <= 1; ++dj) {
                    for (int di = -1; di <= 1; ++di) {
                        const float gx = cu + static_cast<float>(di), gy = cv + static_cast<float>(dj);
                        const float h1 = cellHash(gx, gy, 127.1f, 311.7f);
                        const float h2 = cellHash(gx, gy, 269.5f, 183.3f);
                        const float px = static_cast<float>(di) + h1 + 0.5f * std::sin(h1 * 6.2831f + phase) - fu;
                        const float py = static_cast<float>(dj) + h2 + 0.5f * std::cos(h2 * 6.2831f + phase) - fv;
                        m = std::min(m, std::sqrt(px * px + py * py));
                    }
                }
                const float value = (std::pow(1.0f - m, sharpness) + 0.15f) * 255.0f;
                word = toChannel(value * colorR) | toChannel(value * colorG) << 8 | toChannel(value * colorB) << 16 |
                       0xFF000000u;
            }
            image.row(y)[x] = word;
        }
    }
}
