// Wall time per frame of the procedural texture effects at 256 x 256: each effect's onUpdate
// (compute and upload into the headless context's texture), next to a straightforward
// single-threaded scalar version of the same formula with the same upload as the baseline,
// and the upload alone. Arg 0 = flat layout, 1 = sphere-map layout.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

#include "core/Random.h"
#include "core/TextureManager.h"
#include "effects/ClassicFireEffect.h"
#include "effects/PlasmaEffect.h"
#include "effects/VoronoiCausticsEffect.h"
#include "platform/HeadlessGl.h"

namespace {

constexpr int kSize = 256;
constexpr float kFrame = 1.0f / 60.0f;

HeadlessGl& context() {
    static HeadlessGl gl;
    static bool made = [] {
        if (!gl.create(kSize, kSize)) std::fprintf(stderr, "no GL context: %s\n", gl.error().c_str());
        return true;
    }();
    (void)made;
    return gl;
}

std::uint8_t channel(float v) { return static_cast<std::uint8_t>(std::clamp(static_cast<int>(std::trunc(v)), 0, 255)); }

// Sphere-map coordinates of a pixel in 0..1, or false outside the disc.
bool sphereCoordinates(int x, int y, float& u, float& v) {
    const float nx = 2.0f * x / (kSize - 1) - 1.0f, ny = 2.0f * y / (kSize - 1) - 1.0f;
    const float d = nx * nx + ny * ny;
    if (d > 1.0f) return false;
    const float z = std::sqrt(1.0f - d);
    u = static_cast<float>(std::atan2(2.0f * z * nx, 2.0f * z * z - 1.0f) / (2.0 * std::numbers::pi) + 0.5);
    v = static_cast<float>(std::asin(2.0f * z * ny) / std::numbers::pi + 0.5);
    return true;
}

// ---- baselines: the formulas pixel by pixel, one thread ----

void plasmaBaseline(float time, bool sphere, std::vector<std::uint8_t>& out) {
    const float speed = 3.0f, scale = 0.05f, gr = 1.0f, gg = 0.5f, gb = 0.8f;
    const float pi = std::numbers::pi_v<float>, p = time * speed;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            std::uint8_t* px = &out[(static_cast<std::size_t>(y) * kSize + x) * 4];
            float u = scale * x, v = scale * y;
            if (sphere) {
                if (!sphereCoordinates(x, y, u, v)) {
                    px[0] = px[1] = px[2] = px[3] = 0;
                    continue;
                }
                u = u * kSize * scale;
                v = v * kSize * scale;
            }
            const float s = std::sin(std::sqrt(u * u + v * v) + p) + std::sin(u + p) + std::sin(v + p) + std::sin(u + v + p);
            const float a = (s + 4.0f) * 0.125f * pi;
            px[0] = channel(std::sin(a) * 255.0f * gr);
            px[1] = channel(std::sin(a + 2.0f) * 255.0f * gg);
            px[2] = channel(std::sin(a + 4.0f) * 255.0f * gb);
            px[3] = 255;
        }
    }
}

void causticsBaseline(float time, bool sphere, std::vector<std::uint8_t>& out) {
    const float speed = 1.5f, scale = 6.0f, sharpness = 3.5f, gr = 0.2f, gg = 0.8f, gb = 1.0f;
    const float p = time * speed;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            std::uint8_t* px = &out[(static_cast<std::size_t>(y) * kSize + x) * 4];
            float u = static_cast<float>(x) / kSize * scale, v = static_cast<float>(y) / kSize * scale;
            if (sphere) {
                if (!sphereCoordinates(x, y, u, v)) {
                    px[0] = px[1] = px[2] = px[3] = 0;
                    continue;
                }
                u *= scale;
                v *= scale;
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
            const float value = (std::pow(1.0f - m, sharpness) + 0.15f) * 255.0f;
            px[0] = channel(value * gr);
            px[1] = channel(value * gg);
            px[2] = channel(value * gb);
            px[3] = 255;
        }
    }
}

struct FireBaseline {
    std::vector<float> heat = std::vector<float>(kSize * kSize, 0.0f);
    std::vector<float> next = std::vector<float>(kSize * kSize, 0.0f);

    void frame(bool sphere, std::vector<std::uint8_t>& out) {
        const float intensity = 1.2f, cooling = 0.008f;
        for (int x = 0; x < kSize; ++x) heat[x] = std::clamp((runtime::rand() % 255) * intensity, 0.0f, 255.0f);
        for (int y = 1; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                int sx = x + runtime::rand() % 3 - 1;
                if (sx < 0) sx += kSize;
                if (sx >= kSize) sx -= kSize;
                const float h = heat[(y - 1) * kSize + sx] - cooling * 255 - runtime::rand() % 4;
                next[y * kSize + x] = std::max(0.0f, h);
            }
        }
        heat = next;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                std::uint8_t* px = &out[(static_cast<std::size_t>(y) * kSize + x) * 4];
                int s = y * kSize + x;
                bool inside = true;
                if (sphere) {
                    float u, v;
                    inside = sphereCoordinates(x, y, u, v);
                    if (inside) {
                        const int sx = std::clamp(static_cast<int>(std::trunc(u * kSize)), 0, kSize - 1);
                        const int sy = std::clamp(static_cast<int>(std::trunc(v * kSize)), 0, kSize - 1);
                        s = sy * kSize + sx;
                    }
                }
                const int k = inside ? std::clamp(static_cast<int>(std::trunc(heat[s])), 0, 255) : 0;
                px[0] = static_cast<std::uint8_t>(k < 85 ? 3 * k : 255);
                px[1] = static_cast<std::uint8_t>(k < 85 ? 0 : k < 170 ? 3 * (k - 85) : 255);
                px[2] = static_cast<std::uint8_t>(k < 170 ? 0 : std::min(255, 3 * (k - 170)));
                px[3] = inside && k > 0 ? 255 : 0;
            }
        }
    }
};

void upload(const char* name, const std::vector<std::uint8_t>& pixels) {
    TextureManager::instance().updateDynamicTexture(name, kSize, kSize, pixels.data());
}

// Every iteration is a new frame time, so nothing is skipped; glFinish makes the upload count.
template <class Frame>
void frames(benchmark::State& state, Frame frame) {
    context();
    float time = 1.0f;
    for (auto _ : state) {
        frame(time);
        glFinish();
        time += kFrame;
    }
    TextureManager::instance().clear();
    state.SetLabel(state.range(0) ? "sphere" : "flat");
}

template <class E>
void effectFrames(benchmark::State& state) {
    context();
    E effect;
    effect.init();
    effect.findTrack("envMapMode")->setKey(0.0f, static_cast<float>(state.range(0)), InterpType::Step);
    effect.updateAllTracks(0.0f);
    frames(state, [&](float t) { effect.updateAllTracks(t); });
}

void BM_PlasmaUpdate(benchmark::State& state) { effectFrames<PlasmaEffect>(state); }
void BM_PlasmaBaseline(benchmark::State& state) {
    std::vector<std::uint8_t> pixels(kSize * kSize * 4);
    frames(state, [&](float t) {
        plasmaBaseline(t, state.range(0) != 0, pixels);
        upload("*DynamicPlasma_*", pixels);
    });
}

void BM_CausticsUpdate(benchmark::State& state) { effectFrames<VoronoiCausticsEffect>(state); }
void BM_CausticsBaseline(benchmark::State& state) {
    std::vector<std::uint8_t> pixels(kSize * kSize * 4);
    frames(state, [&](float t) {
        causticsBaseline(t, state.range(0) != 0, pixels);
        upload("*DynamicCaustics_*", pixels);
    });
}

void BM_FireUpdate(benchmark::State& state) { effectFrames<ClassicFireEffect>(state); }
void BM_FireBaseline(benchmark::State& state) {
    std::vector<std::uint8_t> pixels(kSize * kSize * 4);
    FireBaseline fire;
    frames(state, [&](float) {
        fire.frame(state.range(0) != 0, pixels);
        upload("*DynamicFire_*", pixels);
    });
}

void BM_UploadOnly(benchmark::State& state) {
    std::vector<std::uint8_t> pixels(kSize * kSize * 4, 128);
    frames(state, [&](float) { upload("*Upload*", pixels); });
}

BENCHMARK(BM_PlasmaUpdate)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaBaseline)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CausticsUpdate)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CausticsBaseline)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FireUpdate)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FireBaseline)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UploadOnly)->Arg(0)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
