// PlasmaEffect: the image is a pure function of time and parameters, so rows are spread over
// the worker threads and each row runs as loops the compiler vectorises (an AVX2 clone where the
// processor has it). The sines are evaluated in double precision and rounded once, which
// gives the C library's sinf result except in rare last-bit cases; the bytes then agree with
// the plain per-pixel formula (computeRowsScalar) apart from rare off-by-one channels. The
// sphere-map coordinates are computed once (the image size is fixed), and the three colour
// sines of a pixel come from one sine and cosine.
#include "effects/PlasmaEffect.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "base/Logger.h"
#include "base/Workers.h"
#include "core/SphereMap.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PLASMA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define PLASMA_VECTOR_CLONES
#endif

namespace {

constexpr int kSize = 256;
constexpr float kPi = 3.14159265358979323846f;
// The vector sine reduces its argument exactly only below this magnitude.
constexpr float kVectorSinLimit = 1.0e5f;

struct SinCos {
    double s, c;
};

// sin and cos of a float in double precision: three-part pi/2 reduction, Taylor polynomials to
// degree 13 and 14 on [-pi/4, pi/4]. Branch-free so loops over it vectorise; valid for
// |x| < kVectorSinLimit. Rounded once to float, the sine is the C library's sinf except in
// rare last-bit cases.
inline SinCos sinCos(float xf) {
    constexpr double kShifter = 0x1.8p52;  // adding it rounds to an integer kept in the low bits
    constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
    constexpr double kPio2Hi = 1.57079632673412561417e+00;   // 33 bits: n * kPio2Hi is exact
    constexpr double kPio2Mid = 6.07710050630396597660e-11;  // next 33 bits
    constexpr double kPio2Lo = 2.02226624879595063154e-21;
    const double x = xf;
    const double shifted = x * kTwoOverPi + kShifter;
    const std::uint64_t quadrant = std::bit_cast<std::uint64_t>(shifted);
    const double n = shifted - kShifter;
    double r = x - n * kPio2Hi;
    r -= n * kPio2Mid;
    r -= n * kPio2Lo;
    const double r2 = r * r;
    const double sinR =
        r + r * r2 *
                (-1.0 / 6.0 +
                 r2 * (1.0 / 120.0 +
                       r2 * (-1.0 / 5040.0 +
                             r2 * (1.0 / 362880.0 + r2 * (-1.0 / 39916800.0 + r2 * (1.0 / 6227020800.0))))));
    const double cosR =
        1.0 + r2 * (-0.5 +
                    r2 * (1.0 / 24.0 +
                          r2 * (-1.0 / 720.0 +
                                r2 * (1.0 / 40320.0 +
                                      r2 * (-1.0 / 3628800.0 +
                                            r2 * (1.0 / 479001600.0 + r2 * (-1.0 / 87178291200.0)))))));
    // Quadrant n mod 4: sin is sinR, cosR, -sinR, -cosR and cos is cosR, -sinR, -cosR, sinR.
    // Bit selects and sign flips keep it branch-free.
    const std::uint64_t odd = 0 - (quadrant & 1u);
    const std::uint64_t sinBits = std::bit_cast<std::uint64_t>(sinR), cosBits = std::bit_cast<std::uint64_t>(cosR);
    const std::uint64_t s = ((cosBits & odd) | (sinBits & ~odd)) ^ ((quadrant & 2u) << 62);
    const std::uint64_t c = ((sinBits & odd) | (cosBits & ~odd)) ^ (((quadrant + 1u) & 2u) << 62);
    return {std::bit_cast<double>(s), std::bit_cast<double>(c)};
}

inline float sinRounded(float x) { return static_cast<float>(sinCos(x).s); }

// sin(b) for b = a + offset rounded to float, from the sine and cosine of a: e = b - a - offset
// is exact in double and below an ulp of b, so sin(offset + e) and cos(offset + e) to second
// order are exact to double precision. Saves two full sines per pixel.
inline float sinShifted(SinCos a, float af, float bf, double offset, double sinOffset, double cosOffset) {
    const double e = (static_cast<double>(bf) - static_cast<double>(af)) - offset;
    const double near1 = 1.0 - 0.5 * e * e;
    return static_cast<float>(a.s * (cosOffset * near1 - sinOffset * e) + a.c * (sinOffset * near1 + cosOffset * e));
}

struct Gains {
    float r, g, b;
};

// Sum of the four plasma sines -> RGBA word.
inline std::uint32_t shade(float s, Gains gains) {
    constexpr double kSin2 = 0x1.d18f6ead1b446p-1, kCos2 = -0x1.aa22657537205p-2;  // sin 2, cos 2
    constexpr double kSin4 = -0x1.837b9dddc1eaep-1, kCos4 = -0x1.4eaa606db24c1p-1;  // sin 4, cos 4
    const float a = (s + 4.0f) * 0.125f * kPi;
    const SinCos sa = sinCos(a);
    const float sinA = static_cast<float>(sa.s);
    const float sinA2 = sinShifted(sa, a, a + 2.0f, 2.0, kSin2, kCos2);
    const float sinA4 = sinShifted(sa, a, a + 4.0f, 4.0, kSin4, kCos4);
    return toChannel(sinA * 255.0f * gains.r) | toChannel(sinA2 * 255.0f * gains.g) << 8 |
           toChannel(sinA4 * 255.0f * gains.b) << 16 | 0xFF000000u;
}

// Flat layout: sin(u + p) per column comes in precomputed, sin(v + p) is one value per row.
PLASMA_VECTOR_CLONES
void flatRow(const float* sinU, float scale, float v, float phase, Gains gains, std::uint32_t* out) {
    alignas(32) float root[kSize];
    for (int x = 0; x < kSize; ++x) {
        const float u = scale * static_cast<float>(x);
        root[x] = u * u + v * v;
    }
    sqrtInPlace(root, kSize);
    const float sinV = std::sin(v + phase);
    for (int x = 0; x < kSize; ++x) {
        const float u = scale * static_cast<float>(x);
        const float s = sinRounded(root[x] + phase) + sinU[x] + sinV + sinRounded(u + v + phase);
        out[x] = shade(s, gains);
    }
}

// Sphere layout: per-pixel coordinates from the precomputed map; outside pixels masked to 0.
PLASMA_VECTOR_CLONES
void sphereRow(const float* baseU, const float* baseV, const std::uint32_t* inside, float scale, float phase,
               Gains gains, std::uint32_t* out) {
    alignas(32) float u[kSize], v[kSize], root[kSize];
    for (int x = 0; x < kSize; ++x) {
        u[x] = baseU[x] * scale;
        v[x] = baseV[x] * scale;
        root[x] = u[x] * u[x] + v[x] * v[x];
    }
    sqrtInPlace(root, kSize);
    for (int x = 0; x < kSize; ++x) {
        const float s = sinRounded(root[x] + phase) + sinRounded(u[x] + phase) + sinRounded(v[x] + phase) +
                        sinRounded(u[x] + v[x] + phase);
        out[x] = shade(s, gains) & inside[x];
    }
}

}  // namespace

PlasmaEffect::PlasmaEffect() { logLine("PlasmaEffect constructor called."); }

void PlasmaEffect::onInit() {
    createTrack("speed", &speed, -10.0f, 10.0f, 3.0f);
    createTrack("scale", &scale, 0.01f, 0.5f, 0.05f);
    createTrack("color.r", &colorR, 0.0f, 2.0f, 1.0f);
    createTrack("color.g", &colorG, 0.0f, 2.0f, 0.5f);
    createTrack("color.b", &colorB, 0.0f, 2.0f, 0.8f);
    createTrack("envMapMode", &envMapMode, 0.0f, 1.0f, 1.0f, true, InterpType::Step);
    image.create("*DynamicPlasma_" + instanceName + "*", kSize, kSize);
    buildSphereMap();
}

void PlasmaEffect::buildSphereMap() {
    const SphereMap& map = sphereMapFor(kSize, kSize);
    // The plasma's sphere coordinates run over the image size, like its flat ones.
    sphereU_ = map.u;
    sphereV_ = map.v;
    for (float& u : sphereU_) u *= static_cast<float>(kSize);
    for (float& v : sphereV_) v *= static_cast<float>(kSize);
}

void PlasmaEffect::onUpdate(float time) {
    if (!image.startFrame(time)) return;
    computeImage(time);
    image.upload();
}

void PlasmaEffect::computeImage(float time) {
    const float phase = time * speed;
    const bool sphere = envMapMode >= 0.5f;
    const Gains gains{colorR, colorG, colorB};
    // Largest sine argument: |p| + |u| + |v| + sqrt(u^2 + v^2) with |u|, |v| <= 256 |scale|.
    const float reach = std::fabs(phase) + 4.0f * static_cast<float>(kSize) * std::fabs(scale);
    if (!(reach < kVectorSinLimit)) {
        computeRowsScalar(phase, sphere);
        return;
    }
    alignas(32) float sinU[kSize];
    if (!sphere)
        for (int x = 0; x < kSize; ++x) sinU[x] = std::sin(scale * static_cast<float>(x) + phase);

    const std::vector<std::uint32_t>& inside = sphereMapFor(kSize, kSize).inside;
    workers::parallelFor(kSize, [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            alignas(32) std::uint32_t row[kSize];
            const std::size_t first = static_cast<std::size_t>(y) * kSize;
            if (sphere)
                sphereRow(&sphereU_[first], &sphereV_[first], &inside[first], scale, phase, gains, row);
            else
                flatRow(sinU, scale, scale * static_cast<float>(y), phase, gains, row);
            std::memcpy(image.row(y), row, sizeof row);
        }
    });
}

// The formula pixel by pixel with the C library's functions: for arguments too large for the
// vector sine (huge times, speeds or scales) and non-finite parameters.
void PlasmaEffect::computeRowsScalar(float phase, bool sphere) {
    const SphereMap& map = sphereMapFor(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * kSize + x;
            std::uint32_t word = 0;
            if (!sphere || map.inside[i]) {
                const float u = sphere ? sphereU_[i] * scale : scale * static_cast<float>(x);
                const float v = sphere ? sphereV_[i] * scale : scale * static_cast<float>(y);
                const float s =
                    std::sin(std::sqrt(u * u + v * v) + phase) + std::sin(u + phase) + std::sin(v + phase) + std::sin(u + v + phase);
                const float a = (s + 4.0f) * 0.125f * kPi;
                word = toChannel(std::sin(a) * 255.0f * colorR) | toChannel(std::sin(a + 2.0f) * 255.0f * colorG) << 8 |
                       toChannel(std::sin(a + 4.0f) * 255.0f * colorB) << 16 | 0xFF000000u;
            }
            image.row(y)[x] = word;
        }
    }
}
