// FocusBlurEffect: the blur is drawn by GL (P textured quads averaged by blending), the opacity
// is computed on the processor from the depth buffer and uploaded as the blur's alpha. The
// colour is read back as RGBA straight into the composite buffer, so the loop only writes the
// alpha byte of each word; it runs as a plain loop the compiler vectorises (AVX-512 and AVX2
// clones where the processor has them) on pieces spread over the worker threads. All copies
// and read-backs take the viewport's own rectangle, so a letterboxed picture is blurred, not
// the bars.
#include "effects/FocusBlurEffect.h"

#include <GL/gl.h>

#include <algorithm>
#include <bit>
#include <cmath>

#include "base/Logger.h"
#include "base/Workers.h"
#include "core/ScreenOverlay.h"
#include "core/TrackValues.h"

// Clones for wider vectors where the processor has them. The AVX-512 target also offers fused
// multiply-adds, which GCC would use for a * b + c and so change the rounding; contraction off
// keeps every clone's bytes equal to the plain formula's.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define FOCUS_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default"), optimize("fp-contract=off")))
#else
#define FOCUS_VECTOR_CLONES
#endif

static_assert(std::endian::native == std::endian::little, "pixels are packed as little-endian RGBA words");

namespace {

constexpr float kGoldenAngle = 2.3999631f;  // radians between successive spiral samples
constexpr int kPixelsPerPiece = 8192;

// A texture-coordinate shift: NaN becomes no shift, and beyond two image sizes every sample is
// a clamped edge texel already, so the cap changes nothing while keeping infinities out.
float boundedShift(float shift) {
    if (std::isnan(shift)) return 0.0f;
    return std::clamp(shift, -2.0f, 2.0f);
}

// b ? yes : no on the bits. Both sides are always computed, so the loop has no branch: with a
// plain ?: the compiler keeps the division and the polynomial under conditions (they might
// trap) and does not vectorise the loop.
inline float select(bool b, float yes, float no) {
    const std::uint32_t mask = 0u - static_cast<std::uint32_t>(b);
    return std::bit_cast<float>((std::bit_cast<std::uint32_t>(yes) & mask) | (std::bit_cast<std::uint32_t>(no) & ~mask));
}

// The depth-to-opacity curve for a span of pixels, branch-free so that it vectorises. Same
// operations in the same order as the plain formula, so the same bytes.
FOCUS_VECTOR_CLONES
void opacitySpan(const float* depth, std::uint32_t* rgba, int count, float focus, float range, float strength) {
    for (int i = 0; i < count; ++i) {
        const float d = depth[i];
        // Depth of a perspective with near 0.1 and far 250, divided by 250.
        const float linear = 50.0f / (250.1f - (2.0f * d - 1.0f) * 249.9f) / 250.0f;
        const float z = select(d >= 0.9999f, 1.0f, linear);
        const float c = std::fabs(z - focus);
        float x = (c - range) * strength;
        x = select(x > 0.0f, x, 0.0f);  // NaN becomes 0 here
        x = select(x < 1.0f, x, 1.0f);
        const float a = select(c <= range, 0.0f, (3.0f - 2.0f * x) * (x * x));
        rgba[i] = (rgba[i] & 0x00FFFFFFu) | static_cast<std::uint32_t>(static_cast<int>(a * 255.0f)) << 24;
    }
}

// Pack and unpack alignment 1 for the read-backs and the upload, the caller's values after.
struct PixelAlignment {
    PixelAlignment() {
        glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    ~PixelAlignment() {
        glPixelStorei(GL_PACK_ALIGNMENT, pack);
        glPixelStorei(GL_UNPACK_ALIGNMENT, unpack);
    }
    GLint pack = 4, unpack = 4;
};

}  // namespace

FocusBlurEffect::FocusBlurEffect() {
    logLine("FocusBlurEffect constructor called.");
    createTrack("passes", nullptr, 2.0f, 64.0f, 16.0f, true);
    createTrack("radius", nullptr, 1.0f, 30.0f, 10.0f);
    createTrack("focus_depth", nullptr, 0.0f, 1.0f, 0.5f);
    createTrack("focus_range", nullptr, 0.0f, 0.5f, 0.1f);
    createTrack("blur_strength", nullptr, 1.0f, 10.0f, 3.0f);
}

void FocusBlurEffect::composite(const float* depth, std::uint32_t* rgba, int count, Focus focus) {
    const int pieces = (count + kPixelsPerPiece - 1) / kPixelsPerPiece;
    workers::parallelFor(
        pieces,
        [&](int begin, int end) {
            const int first = begin * kPixelsPerPiece;
            const int last = std::min(count, end * kPixelsPerPiece);
            opacitySpan(depth + first, rgba + first, last - first, focus.depth, focus.range, focus.strength);
        },
        4);
}

void FocusBlurEffect::renderSteps(const std::function<void(Step)>& afterStep) {
    const auto done = [&](Step step) {
        if (afterStep) afterStep(step);
    };
    const ViewportRect viewport = currentViewport();
    if (viewport.empty()) return;
    const int w = viewport.width, h = viewport.height;
    const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);

    const ScreenOverlay overlay(0.0, 1.0, 0.0, 1.0);
    // Both textures and both buffers follow the viewport's size, before the copy.
    blur.fit(w, h);
    pixels.resize(count);
    depths.resize(count);
    glEnable(GL_TEXTURE_2D);
    sharp.copyViewport(viewport);
    done(Step::Copy);

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    drawPasses(trackvalue::truncatedIn(trackValue("passes"), 0, kMaxPasses), trackValue("radius"), w, h);
    done(Step::Passes);

    const PixelAlignment alignment;
    glReadPixels(viewport.x, viewport.y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glReadPixels(viewport.x, viewport.y, w, h, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
    done(Step::ReadBack);

    const Focus focus{trackValue("focus_depth"), trackValue("focus_range"), trackValue("blur_strength")};
    composite(depths.data(), pixels.data(), static_cast<int>(count), focus);
    done(Step::Composite);

    glBindTexture(GL_TEXTURE_2D, blur.id());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    done(Step::Upload);

    // The sharp picture back, then the blur over it with its opacity.
    glDisable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, sharp.id());
    drawScreenQuad(1.0, 1.0, true);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, blur.id());
    drawScreenQuad(1.0, 1.0, true);
    done(Step::Draw);
}

// Pass i draws the sharp copy shifted by r = sqrt(i / P) x radius pixels at angle i x the golden
// angle, with opacity 1 / (i + 1) over the passes before it: the frame ends up holding the
// average of all P shifted copies.
void FocusBlurEffect::drawPasses(int passes, float radius, int width, int height) const {
    glBindTexture(GL_TEXTURE_2D, sharp.id());
    for (int i = 0; i < passes; ++i) {
        float alpha = 1.0f;
        if (i == 0) {
            glDisable(GL_BLEND);
        } else {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            alpha = 1.0f / static_cast<float>(i + 1);
        }
        glColor4f(1.0f, 1.0f, 1.0f, alpha);
        const float theta = static_cast<float>(i) * kGoldenAngle;
        const float r = std::sqrt(static_cast<float>(i) / static_cast<float>(passes)) * radius;
        const float du = boundedShift(std::cos(theta) * r / static_cast<float>(width));
        const float dv = boundedShift(std::sin(theta) * r / static_cast<float>(height));
        drawTexturedRect(0.0, 0.0, 1.0, 1.0, du, dv, 1.0f + du, 1.0f + dv);
    }
}
