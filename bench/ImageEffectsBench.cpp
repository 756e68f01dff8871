// Wall time of the image effects in a headless context (llvmpipe here). Arg = frame width,
// height = width * 9 / 16.
//  - BM_RadarProcess: the radar's processing of one RGBA frame (contrast 1.8, noise 0.15),
//    threads and vector lanes; its OneThread twin; and BM_RadarProcessReference, the plain
//    one-thread loop over an RGB frame (processImagePlain) as the baseline.
//  - BM_RadarRender: the radar's whole onRender from the read-back to the upload and the
//    submitted quad and display; the GL queue is drained outside the timed region, so the
//    rasterisation of the quad is not counted.
//  - BM_LeftfieldRender, BM_ThermalRender: onRender of the automaton field (with a step every
//    frame) and of the thermal overlay at 1280 x 720, the queue drained outside the timing.
#include <benchmark/benchmark.h>

#define GL_GLEXT_PROTOTYPES  // glWindowPos2i (OpenGL 1.4)
#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/Random.h"
#include "base/Workers.h"
#include "core/ProjectGlobals.h"
#include "effects/LeftfieldAutomataEffect.h"
#include "effects/PredatorEffect.h"
#include "effects/RadarImageryEffect.h"
#include "BenchContext.h"
#include "platform/HeadlessGl.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;

// One context for the whole run, resized to the benchmark's frame.
HeadlessGl& context(int width, int height) { return benchContext(width, height); }

int heightFor(int width) { return width * 9 / 16; }

// A busy picture: gradients crossed with a hash, every channel and luminance level in use.
std::vector<std::uint8_t> testFrame(int width, int height, int channels) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * channels, 255);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u;
            h ^= h >> 13;
            std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * width + x) * channels];
            p[0] = static_cast<std::uint8_t>(x * 255 / width);
            p[1] = static_cast<std::uint8_t>(y * 255 / height);
            p[2] = static_cast<std::uint8_t>(h);
        }
    }
    return pixels;
}

void BM_RadarProcess(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = heightFor(width);
    const std::vector<std::uint8_t> bytes = testFrame(width, height, 4);
    std::vector<std::uint32_t> rgba(bytes.size() / 4);
    std::memcpy(rgba.data(), bytes.data(), bytes.size());
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(width) * height);
    const RadarImageryEffect::Settings settings{1.8f, 0.15f, false, 100.0f};
    for (auto _ : state) {
        RadarImageryEffect::processImage(rgba.data(), width, height, settings, grey.data());
        benchmark::DoNotOptimize(grey.data());
    }
}

void BM_RadarProcessOneThread(benchmark::State& state) {
    workers::setThreadCount(1);
    BM_RadarProcess(state);
    workers::setThreadCount(0);
}

void BM_RadarProcessReference(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = heightFor(width);
    const std::vector<std::uint8_t> rgb = testFrame(width, height, 3);
    std::vector<std::uint8_t> out(rgb.size());
    const RadarImageryEffect::Settings settings{1.8f, 0.15f, false, 100.0f};
    for (auto _ : state) {
        RadarImageryEffect::processImagePlain(rgb.data(), width, height, settings, out.data());
        benchmark::DoNotOptimize(out.data());
    }
}

void drainUntimed(benchmark::State& state) {
    state.PauseTiming();
    glFinish();
    state.ResumeTiming();
}

void BM_RadarRender(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = heightFor(width);
    context(width, height);
    {
        // The frame to read back: the test picture drawn into the framebuffer.
        const std::vector<std::uint8_t> picture = testFrame(width, height, 4);
        glWindowPos2i(0, 0);
        glDrawPixels(width, height, GL_RGBA, GL_UNSIGNED_BYTE, picture.data());
    }
    RadarImageryEffect effect;
    effect.init();
    effect.findTrack("radarMix")->setKey(0.0f, 0.6f, InterpType::Linear);
    float time = 1.0f;
    for (auto _ : state) {
        effect.updateAllTracks(time);
        effect.onRender();
        drainUntimed(state);
        time += kFrame;
    }
}

void BM_LeftfieldRender(benchmark::State& state) {
    context(1280, 720);
    LeftfieldAutomataEffect effect;
    effect.init();
    effect.findTrack("speed")->setKey(0.0f, 60.0f, InterpType::Linear);
    float time = 1.0f;
    for (auto _ : state) {
        effect.updateAllTracks(time);
        effect.onRender();
        drainUntimed(state);
        time += kFrame;
    }
}

void BM_ThermalRender(benchmark::State& state) {
    context(1280, 720);
    projectWidth = 1280;
    projectHeight = 720;
    PredatorEffect effect;
    effect.init();
    float time = 1.0f;
    for (auto _ : state) {
        effect.updateAllTracks(time);
        effect.onRender();
        drainUntimed(state);
        time += kFrame;
    }
    resetProjectGlobals();
}

BENCHMARK(BM_RadarProcess)->Arg(1280)->Arg(1920)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RadarProcessOneThread)->Arg(1280)->Arg(1920)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RadarProcessReference)->Arg(1280)->Arg(1920)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RadarRender)->Arg(1280)->Arg(1920)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LeftfieldRender)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThermalRender)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
