// Wall time per frame of the screen post-processing effects through the headless context
// (llvmpipe here), the GL queue drained inside the timed region:
//  - BM_FocusBlurRender/<width>: the focus blur's whole draw at width x width*9/16;
//  - BM_FocusBlurSplit/<width>: the same draw with the queue drained after each step, the time
//    of each step reported as a counter in milliseconds (copy, passes, read-backs, composite
//    loop, upload, final draw);
//  - BM_FocusBlurComposite/<width>: the per-pixel opacity loop alone (vectorised, worker
//    threads), its OneThread twin, and BM_FocusBlurCompositeReference/<width>, the
//    straightforward scalar loop of the tests as the baseline;
//  - BM_ReadBack/<format>: one read-back of colour (RGB or RGBA bytes) or depth at 1920 x 1080;
//  - BM_GloomRender/<passes> and BM_ColorFilterRender/<filter> at 1920 x 1080.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "base/Workers.h"
#include "core/ProjectGlobals.h"
#include "effects/ColorFilterEffect.h"
#include "effects/FocusBlurEffect.h"
#include "effects/GloomEffect.h"
#include "BenchContext.h"
#include "platform/HeadlessGl.h"
#include "baselines/FocusBlurReference.h"

namespace {

int heightFor(int width) { return width * 9 / 16; }

// The headless context at width x height with a viewport over all of it.
void context(int width, int height) {
    benchContext(width, height);
    projectWidth = width;
    projectHeight = height;
}

// A scene-like depth buffer: blocks of 64 x 64 pixels at depths in front of and behind the
// default focal plane, a third of them background (1).
float sceneDepth(int x, int y) {
    const unsigned block = static_cast<unsigned>((x / 64) * 7 + (y / 64) * 13) % 6;
    return block < 2 ? 1.0f : 0.998f + 0.0003f * static_cast<float>(block);
}

// A coloured picture and the scene's depths drawn into the frame buffer.
void drawScene(int width, int height) {
    glClearColor(0.2f, 0.3f, 0.5f, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    for (int y = 0; y < height; y += 64) {
        for (int x = 0; x < width; x += 64) {
            glScissor(x, y, 64, 64);
            glClearColor(static_cast<float>(x % 256) / 255.0f, static_cast<float>(y % 256) / 255.0f, 0.6f, 1.0f);
            glClearDepth(sceneDepth(x, y));
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        }
    }
    glDisable(GL_SCISSOR_TEST);
    glClearDepth(1.0);
    glFinish();
}

void BM_FocusBlurRender(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = heightFor(w);
    context(w, h);
    drawScene(w, h);
    FocusBlurEffect effect;
    effect.init();
    effect.updateAllTracks(0.0f);
    for (auto _ : state) {
        effect.onRender();
        glFinish();
    }
}

void BM_FocusBlurSplit(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = heightFor(w);
    context(w, h);
    drawScene(w, h);
    FocusBlurEffect effect;
    effect.init();
    effect.updateAllTracks(0.0f);
    using Clock = std::chrono::steady_clock;
    std::array<double, 6> seconds{};
    Clock::time_point start;
    const auto afterStep = [&](FocusBlurEffect::Step step) {
        glFinish();
        const Clock::time_point now = Clock::now();
        seconds[static_cast<std::size_t>(step)] += std::chrono::duration<double>(now - start).count();
        start = now;
    };
    for (auto _ : state) {
        start = Clock::now();
        effect.renderSteps(afterStep);
    }
    const char* names[] = {"copy_ms", "passes_ms", "readback_ms", "composite_ms", "upload_ms", "draw_ms"};
    for (std::size_t i = 0; i < seconds.size(); ++i)
        state.counters[names[i]] = benchmark::Counter(seconds[i] * 1000.0, benchmark::Counter::kAvgIterations);
}

// One full-viewport read-back at 1920 x 1080 in each format the focus blur could use: 0 colour
// as RGB bytes (what the formula names), 1 colour as RGBA bytes (what the effect reads: the frame
// buffer's own layout, straight into the composite buffer), 2 depth as floats.
void BM_ReadBack(benchmark::State& state) {
    context(1920, 1080);
    drawScene(1920, 1080);
    const GLenum formats[] = {GL_RGB, GL_RGBA, GL_DEPTH_COMPONENT};
    const GLenum format = formats[state.range(0)];
    std::vector<std::uint32_t> buffer(1920 * 1080);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (auto _ : state) {
        glReadPixels(0, 0, 1920, 1080, format, format == GL_DEPTH_COMPONENT ? GL_FLOAT : GL_UNSIGNED_BYTE, buffer.data());
        benchmark::DoNotOptimize(buffer.data());
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    const char* labels[] = {"colour RGB", "colour RGBA", "depth float"};
    state.SetLabel(labels[state.range(0)]);
}

// Colour and depth buffers of one frame, as the read-backs leave them.
struct CompositeInput {
    explicit CompositeInput(int width) : w(width), h(heightFor(width)) {
        const std::size_t count = static_cast<std::size_t>(w) * h;
        rgb.resize(count * 3);
        depth.resize(count);
        words.resize(count);
        rgba.resize(count * 4);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * w + x;
                depth[i] = sceneDepth(x, y);
                rgb[3 * i] = static_cast<std::uint8_t>(x);
                rgb[3 * i + 1] = static_cast<std::uint8_t>(y);
                rgb[3 * i + 2] = 150;
                words[i] = rgb[3 * i] | rgb[3 * i + 1] << 8 | 150u << 16;
            }
        }
    }
    int count() const { return w * h; }
    int w, h;
    std::vector<std::uint8_t> rgb, rgba;
    std::vector<float> depth;
    std::vector<std::uint32_t> words;
};

void BM_FocusBlurComposite(benchmark::State& state) {
    CompositeInput in(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        FocusBlurEffect::composite(in.depth.data(), in.words.data(), in.count(), {0.5f, 0.1f, 3.0f});
        benchmark::DoNotOptimize(in.words.data());
    }
}

void BM_FocusBlurCompositeOneThread(benchmark::State& state) {
    workers::setThreadCount(1);
    BM_FocusBlurComposite(state);
    workers::setThreadCount(0);
}

// The straightforward loop: the plain formula per pixel, RGB bytes to RGBA bytes.
void BM_FocusBlurCompositeReference(benchmark::State& state) {
    CompositeInput in(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (int i = 0; i < in.count(); ++i) {
            for (int c = 0; c < 3; ++c) in.rgba[4 * i + c] = in.rgb[3 * i + c];
            in.rgba[4 * i + 3] = static_cast<std::uint8_t>(reference::focusOpacity(in.depth[i], 0.5f, 0.1f, 3.0f));
        }
        benchmark::DoNotOptimize(in.rgba.data());
    }
}

void BM_GloomRender(benchmark::State& state) {
    context(1920, 1080);
    drawScene(1920, 1080);
    GloomEffect effect;
    effect.init();
    effect.findTrack("passes")->setKey(0.0f, static_cast<float>(state.range(0)), InterpType::Linear);
    effect.updateAllTracks(0.0f);
    for (auto _ : state) {
        effect.onRender();
        glFinish();
    }
}

void BM_ColorFilterRender(benchmark::State& state) {
    context(1920, 1080);
    drawScene(1920, 1080);
    ColorFilterEffect effect;
    effect.init();
    effect.findTrack("filterType")->setKey(0.0f, static_cast<float>(state.range(0)), InterpType::Step);
    effect.findTrack("mix")->setKey(0.0f, 0.7f, InterpType::Linear);
    effect.updateAllTracks(0.0f);
    for (auto _ : state) {
        effect.onRender();
        glFinish();
    }
}

BENCHMARK(BM_FocusBlurRender)->Arg(1280)->Arg(1920)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FocusBlurSplit)->Arg(1280)->Arg(1920)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FocusBlurComposite)->Arg(1280)->Arg(1920)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FocusBlurCompositeOneThread)->Arg(1280)->Arg(1920)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FocusBlurCompositeReference)->Arg(1280)->Arg(1920)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadBack)->DenseRange(0, 2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GloomRender)->Arg(15)->Arg(40)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorFilterRender)->Arg(7)->Arg(9)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
