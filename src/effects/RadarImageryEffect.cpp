// RadarImageryEffect: read-back, processing, upload and the targeting display.
//
// Processing speed without changing a byte:
//  - The viewport is read back as RGBA (the driver's own layout, several times faster than
//    RGB) and the grey result is uploaded as a one-byte luminance texture; the texture
//    samples as the same grey (g, g, g, 1) an RGB texture of it would.
//  - Chunks of 16 rows are spread over the worker threads. The generator's k-th state after a
//    known one is one multiply-add (runtime::RandJump), so every chunk starts from the exact
//    state the one-thread loop would have there, and within a block of pixels every lane
//    computes its own state from the block's first one. The shared generator is set to the
//    state after width * height draws at the end.
//  - The luminance, noise and clamping are the plain float formula in vector lanes (same
//    operations in the same order, so the same bits). The power is evaluated in double
//    precision (logarithm and exponential polynomials accurate far beyond float) and rounded
//    once, which gives the C library's powf result except in rare last-bit cases; the bytes
//    then agree with the plain loop apart from rare off-by-one pixels.
#include "effects/RadarImageryEffect.h"

#include <GL/gl.h>

#include <bit>
#include <cmath>

#include "base/Logger.h"
#include "base/Random.h"
#include "base/Workers.h"
#include "core/ScreenOverlay.h"

// Clones for wider vector units where the processor has them. The exact float steps stay
// without fused multiply-add (AVX2 alone has none), so their roundings are the plain loop's;
// the power's polynomials may fuse, as they are approximations to double precision anyway.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define RADAR_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#define RADAR_POWER_CLONES __attribute__((target_clones("avx512f", "fma", "default")))
#else
#define RADAR_VECTOR_CLONES
#define RADAR_POWER_CLONES
#endif

static_assert(std::endian::native == std::endian::little, "read-back pixels are taken as little-endian RGBA words");

namespace {

constexpr int kBlock = 256;               // pixels a row is processed in at a time
constexpr float kVectorPowLimit = 64.0f;  // |contrast| up to this keeps 2^k within double range
constexpr int kRowsPerChunk = 16;

// State after i + 1 draws from a state s: multiplier[i] * s + increment[i].
struct BlockJumps {
    std::uint32_t multiplier[kBlock], increment[kBlock];
    BlockJumps() {
        runtime::RandJump jump;
        const runtime::RandJump one = runtime::RandJump::steps(1);
        for (int i = 0; i < kBlock; ++i) {
            jump = jump.followedBy(one);
            multiplier[i] = jump.multiplier;
            increment[i] = jump.increment;
        }
    }
};

const BlockJumps& blockJumps() {
    static const BlockJumps jumps;
    return jumps;
}

// The plain formula's luminance, with its operations in its order. Channels are taken from
// whole words by shifts, which vectorises better than byte loads.
RADAR_VECTOR_CLONES
void luminance(const std::uint32_t* rgba, int count, float* out) {
    for (int i = 0; i < count; ++i) {
        const std::uint32_t word = rgba[i];
        const float r = static_cast<float>(static_cast<int>(word & 0xFFu));
        const float g = static_cast<float>(static_cast<int>((word >> 8) & 0xFFu));
        const float b = static_cast<float>(static_cast<int>((word >> 16) & 0xFFu));
        out[i] = g / 255.0f * 0.587f + r / 255.0f * 0.299f + b / 255.0f * 0.114f;
    }
}

// x^c for 0 < x < 2 and |c| <= kVectorPowLimit, in double precision, branch-free so loops
// over it vectorise. x = m * 2^e with m in [sqrt(1/2), sqrt(2)) exactly from the float's
// bits; ln m = 2 atanh(s), s = (m - 1) / (m + 1), |s| < 0.172, series to s^15 (error below
// 1e-13); exp(y) = 2^k * exp(r), |r| <= ln2 / 2, Taylor to degree 10 (error below 3e-13).
inline float powUnit(float xf, double c) {
    constexpr double kLn2 = 0x1.62e42fefa39efp-1;
    constexpr double kLn2Hi = 6.93147180369123816490e-01;  // k * kLn2Hi is exact for |k| < 2^20
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    constexpr double kInvLn2 = 0x1.71547652b82fep0;
    constexpr double kShifter = 0x1.8p52;
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(xf);
    const std::int32_t e = static_cast<std::int32_t>(bits - 0x3F3504F3u) >> 23;  // 0x3F3504F3: sqrt(1/2)
    const float m = std::bit_cast<float>(bits - (static_cast<std::uint32_t>(e) << 23));
    const double f = static_cast<double>(m) - 1.0;
    const double s = f / (2.0 + f);
    const double s2 = s * s;
    const double series =
        1.0 / 3 + s2 * (1.0 / 5 + s2 * (1.0 / 7 + s2 * (1.0 / 9 + s2 * (1.0 / 11 + s2 * (1.0 / 13 + s2 * (1.0 / 15))))));
    const double lnM = 2.0 * s + 2.0 * s * s2 * series;
    const double y = c * (static_cast<double>(e) * kLn2 + lnM);

    const double shifted = y * kInvLn2 + kShifter;
    const double k = shifted - kShifter;
    const double r = (y - k * kLn2Hi) - k * kLn2Lo;
    const double p =
        1.0 + r * (1.0 + r * (1.0 / 2 + r * (1.0 / 6 + r * (1.0 / 24 + r * (1.0 / 120 + r * (1.0 / 720 +
        r * (1.0 / 5040 + r * (1.0 / 40320 + r * (1.0 / 362880 + r * (1.0 / 3628800))))))))));
    const std::uint64_t kBits = std::bit_cast<std::uint64_t>(shifted) - std::bit_cast<std::uint64_t>(kShifter);
    const double scale = std::bit_cast<double>((kBits + 1023u) << 52);
    return static_cast<float>(p * scale);
}

RADAR_POWER_CLONES
void powerInPlace(float* values, int count, float contrast, float powerOfZero) {
    const double c = contrast;
    const std::uint32_t zeroBits = std::bit_cast<std::uint32_t>(powerOfZero);
    for (int i = 0; i < count; ++i) {
        // 0 takes pow(0, contrast): a select by bit mask, which the compiler keeps branch-free.
        const std::uint32_t x = std::bit_cast<std::uint32_t>(values[i]);
        const std::uint32_t keep = 0u - static_cast<std::uint32_t>(x != 0u);
        const std::uint32_t power = std::bit_cast<std::uint32_t>(powUnit(values[i], c));
        values[i] = std::bit_cast<float>((power & keep) | (zeroBits & ~keep));
    }
}

// The next `count` numbers of the generator from `state`, each lane from its own jump;
// returns the state after them.
RADAR_VECTOR_CLONES
std::uint32_t drawNoise(std::uint32_t state, int count, float* out) {
    const BlockJumps& jumps = blockJumps();
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<float>(static_cast<std::int32_t>(((jumps.multiplier[i] * state + jumps.increment[i]) >> 16) & 0x7FFFu));
    return jumps.multiplier[count - 1] * state + jumps.increment[count - 1];
}

// Noise (when `noise` is not null), gain, clamp (NaN -> 0), negative and the byte.
RADAR_VECTOR_CLONES
void toGrey(const float* level, const float* noise, int count, float intensity, float gain, bool negative,
            std::uint8_t* out) {
    for (int i = 0; i < count; ++i) {
        float v = level[i];
        if (noise) v += noise[i] / 32767.0f * intensity - intensity / 2.0f;
        v = v * gain;
        v = v > 0.0f ? v : 0.0f;
        v = v < 1.0f ? v : 1.0f;
        if (negative) v = 1.0f - v;
        out[i] = static_cast<std::uint8_t>(static_cast<int>(v * 255.0f));
    }
}

float rowGain(int row, float sweepRow, int height) {
    const float r = static_cast<float>(row);
    const float darkRow = sweepRow - static_cast<float>(height) * 0.5f;
    float gain = 1.0f;
    if (std::fabs(r - sweepRow) < 4.0f) gain = 1.4f;
    if (std::fabs(r - darkRow) < 2.0f) gain = 0.7f;
    return gain;
}

}  // namespace

RadarImageryEffect::RadarImageryEffect() { logLine("RadarImageryEffect constructor called."); }

RadarImageryEffect::~RadarImageryEffect() {
    if (imageTexture != 0) glDeleteTextures(1, &imageTexture);
}

void RadarImageryEffect::onInit() {
    createTrack("radarMix", &radarMix, 0.0f, 1.0f, 0.0f);
    createTrack("contrast", &contrast, 0.5f, 4.0f, 1.8f);
    createTrack("noiseIntensity", &noiseIntensity, 0.0f, 1.0f, 0.15f);
    createTrack("isNegative", &isNegative, 0.0f, 1.0f, 0.0f, false, InterpType::Step);
}

float RadarImageryEffect::sweepRow(float time, float speed, int height) {
    return std::fmod(time * speed * 20.0f, static_cast<float>(height));
}

void RadarImageryEffect::processImage(const std::uint32_t* rgba, int width, int height, const Settings& settings,
                                      std::uint8_t* grey) {
    if (width <= 0 || height <= 0) return;
    const bool noisy = settings.noiseIntensity > 0.0f;
    const bool vectorPower = std::fabs(settings.contrast) <= kVectorPowLimit;  // false for NaN
    const float powerOfZero = std::pow(0.0f, settings.contrast);
    const std::uint32_t start = runtime::randState();
    const std::uint64_t rowDraws = static_cast<std::uint64_t>(width);

    // Chunks of rows, each from its own exact generator state: the bytes and the path through
    // the code are the same however many threads take the chunks.
    const int chunks = (height + kRowsPerChunk - 1) / kRowsPerChunk;
    workers::parallelFor(chunks, [&](int firstChunk, int endChunk) {
        alignas(64) float level[kBlock];
        alignas(64) float noise[kBlock];
        for (int chunk = firstChunk; chunk < endChunk; ++chunk) {
            const int begin = chunk * kRowsPerChunk;
            const int end = begin + kRowsPerChunk < height ? begin + kRowsPerChunk : height;
            std::uint32_t state = runtime::RandJump::steps(rowDraws * static_cast<std::uint64_t>(begin)).apply(start);
            for (int row = begin; row < end; ++row) {
                const float gain = rowGain(row, settings.sweepRow, height);
                const std::uint32_t* in = rgba + static_cast<std::size_t>(row) * width;
                std::uint8_t* out = grey + static_cast<std::size_t>(row) * width;
                for (int x = 0; x < width; x += kBlock) {
                    const int count = width - x < kBlock ? width - x : kBlock;
                    luminance(in + x, count, level);
                    if (vectorPower) {
                        powerInPlace(level, count, settings.contrast, powerOfZero);
                    } else {
                        for (int i = 0; i < count; ++i) level[i] = std::pow(level[i], settings.contrast);
                    }
                    if (noisy) state = drawNoise(state, count, noise);
                    toGrey(level, noisy ? noise : nullptr, count, settings.noiseIntensity, gain, settings.negative,
                           out + x);
                }
            }
        }
    });

    if (noisy)
        runtime::setRandState(runtime::RandJump::steps(rowDraws * static_cast<std::uint64_t>(height)).apply(start));
}

void RadarImageryEffect::processImagePlain(const std::uint8_t* rgb, int width, int height, const Settings& settings,
                                           std::uint8_t* rgbOut) {
    for (int r = 0; r < height; ++r) {
        float gain = 1.0f;
        if (std::fabs(static_cast<float>(r) - settings.sweepRow) < 4.0f) gain = 1.4f;
        if (std::fabs(static_cast<float>(r) - (settings.sweepRow - static_cast<float>(height) / 2.0f)) < 2.0f) gain = 0.7f;
        for (int x = 0; x < width; ++x) {
            const std::size_t p = (static_cast<std::size_t>(r) * width + x) * 3;
            const float red = rgb[p], green = rgb[p + 1], blue = rgb[p + 2];
            float l = std::pow(green / 255.0f * 0.587f + red / 255.0f * 0.299f + blue / 255.0f * 0.114f, settings.contrast);
            if (settings.noiseIntensity > 0.0f)
                l += runtime::rand() / 32767.0f * settings.noiseIntensity - settings.noiseIntensity / 2.0f;
            l = l * gain;
            l = l > 0.0f ? l : 0.0f;  // clamp to 0 ... 1, NaN to 0
            l = l < 1.0f ? l : 1.0f;
            if (settings.negative) l = 1.0f - l;
            rgbOut[p] = rgbOut[p + 1] = rgbOut[p + 2] = static_cast<std::uint8_t>(static_cast<int>(l * 255.0f));
        }
    }
}

void RadarImageryEffect::allocate(int width, int height) {
    bufferWidth = width;
    bufferHeight = height;
    if (imageTexture == 0) glGenTextures(1, &imageTexture);
    glBindTexture(GL_TEXTURE_2D, imageTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE8, width, height, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, nullptr);
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    readBuffer.resize(pixels);
    imageBuffer.resize(pixels);
}

void RadarImageryEffect::onRender() {
    if (!(radarMix > 0.001f)) return;  // NaN draws nothing too
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2], height = viewport[3];
    if (width <= 0 || height <= 0) return;

    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    {
        const ScreenOverlay overlay(0.0, width, 0.0, height);  // restores the texture binding too
        if (width != bufferWidth || height != bufferHeight || imageTexture == 0) allocate(width, height);
        glReadPixels(viewport[0], viewport[1], width, height, GL_RGBA, GL_UNSIGNED_BYTE, readBuffer.data());

        const Settings settings{contrast, noiseIntensity, isNegative > 0.5f, sweepRow(currentTime, sweepSpeed, height)};
        processImage(readBuffer.data(), width, height, settings, imageBuffer.data());
        glBindTexture(GL_TEXTURE_2D, imageTexture);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_LUMINANCE, GL_UNSIGNED_BYTE, imageBuffer.data());

        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(1.0f, 1.0f, 1.0f, radarMix);
        drawScreenQuad(width, height, true);
        drawDisplay(static_cast<float>(width), static_cast<float>(height));
    }
    glPopClientAttrib();
}

void RadarImageryEffect::drawDisplay(float w, float h) const {
    const float cx = w / 2.0f, cy = h / 2.0f;
    // A time that is not finite would put the box at NaN: keep it at the centre.
    const float t = std::isfinite(currentTime) ? currentTime : 0.0f;
    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float g = isNegative > 0.5f ? 0.1f : 0.9f;
    glColor4f(g, g, g, 0.8f * radarMix);
    glLineWidth(1.5f);

    const float mx = 0.15f * w, my = 0.15f * h, top = h - my;
    const float bx = cx + std::sin(0.5f * t) * 0.2f * w, by = cy + std::cos(0.3f * t) * 0.15f * h;
    const float lines[][4] = {
        // crosshair and its ticks
        {cx - 60, cy, cx - 15, cy}, {cx + 15, cy, cx + 60, cy}, {cx, cy + 60, cx, cy + 15}, {cx, cy - 15, cx, cy - 60},
        {cx - 15, cy - 5, cx - 15, cy + 5}, {cx + 15, cy - 5, cx + 15, cy + 5},
        // corner brackets
        {mx, top, mx + 40, top}, {mx, top, mx, top - 40}, {w - mx, top, w - mx - 40, top}, {w - mx, top, w - mx, top - 40},
        {mx, my, mx + 40, my}, {mx, my, mx, my + 40}, {w - mx, my, w - mx - 40, my}, {w - mx, my, w - mx, my + 40},
    };
    glBegin(GL_LINES);
    for (const auto& l : lines) {
        glVertex2f(l[0], l[1]);
        glVertex2f(l[2], l[3]);
    }
    glEnd();

    glBegin(GL_LINE_LOOP);
    glVertex2f(bx - 30, by - 30);
    glVertex2f(bx + 30, by - 30);
    glVertex2f(bx + 30, by + 30);
    glVertex2f(bx - 30, by + 30);
    glEnd();
    glBegin(GL_LINES);
    glVertex2f(bx + 30, by + 30);
    glVertex2f(bx + 45, by + 40);
    glVertex2f(bx + 45, by + 40);
    glVertex2f(bx + 85, by + 40);
    glEnd();
}
