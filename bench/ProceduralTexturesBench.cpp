// Wall time per frame of the procedural texture effects at 256 x 256: each effect's onUpdate
// (compute and upload into the headless context's texture), next to a straightforward
// single-threaded scalar version of the same formula with the same upload as the baseline
// (for plasma and caustics the tests' reference formulas), and the upload alone.
// Arg 0 = flat layout, 1 = sphere-map layout. The OneThread variants run the same update with
// the worker threads limited to the calling thread (as DEMO_THREADS=1 does).
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "base/Random.h"
#include "base/Workers.h"
#include "core/TextureManager.h"
#include "effects/ClassicFireEffect.h"
#include "effects/PlasmaEffect.h"
#include "effects/VoronoiCausticsEffect.h"
#include "BenchContext.h"
#include "platform/HeadlessGl.h"
#include "baselines/ProceduralReference.h"

namespace {

using reference::kSize;
constexpr float kFrame = 1.0f / 60.0f;

HeadlessGl& context() { return benchContext(kSize, kSize); }

// The fire, cell by cell and pixel by pixel on one thread.
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
                    inside = reference::sphereCoordinates(x, y, u, v);
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

template <class E>
void effectFramesOneThread(benchmark::State& state) {
    workers::setThreadCount(1);
    effectFrames<E>(state);
    workers::setThreadCount(0);
}

void BM_PlasmaUpdate(benchmark::State& state) { effectFrames<PlasmaEffect>(state); }
void BM_PlasmaUpdateOneThread(benchmark::State& state) { effectFramesOneThread<PlasmaEffect>(state); }
void BM_PlasmaBaseline(benchmark::State& state) {
    std::vector<std::uint8_t> pixels(kSize * kSize * 4);
    frames(state, [&](float t) {
        const reference::PlasmaParams k{t, 3.0f, 0.05f, 1.0f, 0.5f, 0.8f, state.range(0) != 0};
        reference::fillImage(pixels, [&](int x, int y) { return reference::plasmaPixel(x, y, k); });
        upload("*DynamicPlasma_*", pixels);
    });
}

void BM_CausticsUpdate(benchmark::State& state) { effectFrames<VoronoiCausticsEffect>(state); }
void BM_CausticsUpdateOneThread(benchmark::State& state) { effectFramesOneThread<VoronoiCausticsEffect>(state); }
void BM_CausticsBaseline(benchmark::State& state) {
    std::vector<std::uint8_t> pixels(kSize * kSize * 4);
    frames(state, [&](float t) {
        const reference::CausticsParams k{t, 1.5f, 6.0f, 3.5f, 0.2f, 0.8f, 1.0f, state.range(0) != 0};
        reference::fillImage(pixels, [&](int x, int y) { return reference::causticsPixel(x, y, k); });
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
BENCHMARK(BM_PlasmaUpdateOneThread)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaBaseline)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CausticsUpdate)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CausticsUpdateOneThread)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CausticsBaseline)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FireUpdate)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FireBaseline)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UploadOnly)->Arg(0)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
