// The stroke-font text effects at 1280 x 720 through the headless context (llvmpipe here):
// the rain's update and its draw at 60 and 300 columns, the draw both as one vertex array and
// in immediate mode (the baseline: the same vertices, one GL call each), and the vector text
// in its gather phase (drawProgress 0.1) and its draw phase (0.6). The rain first runs ten
// seconds of frames so that drops and fading cells are in their steady state.
// A draw is timed up to glFinish: the GL library keeps immediate-mode vertices in its own
// buffer and processes them only when that fills or the frame is flushed, so timing the calls
// alone would leave most of the immediate-mode work out of the baseline.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstdio>

#include "base/Random.h"
#include "effects/MatrixGreetingsEffect.h"
#include "effects/VectorTextEffect.h"
#include "BenchContext.h"
#include "platform/HeadlessGl.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;

HeadlessGl& context() { return benchContext(1280, 720); }

struct Rain {
    explicit Rain(int columns) {
        context();
        runtime::srand(1);
        effect.init();
        effect.findTrack("columns")->setKey(0.0f, static_cast<float>(columns), InterpType::Linear);
        for (int i = 0; i < 600; ++i) effect.updateAllTracks(time += kFrame);
    }
    MatrixGreetingsEffect effect;
    float time = 0.0f;
};

void BM_RainUpdate(benchmark::State& state) {
    Rain rain(static_cast<int>(state.range(0)));
    for (auto _ : state) rain.effect.updateAllTracks(rain.time += kFrame);
}
BENCHMARK(BM_RainUpdate)->Arg(60)->Arg(300)->Unit(benchmark::kMicrosecond);

void renderRain(benchmark::State& state, MatrixGreetingsEffect::Submission submission) {
    Rain rain(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        rain.effect.renderWith(submission);
        glFinish();
        state.PauseTiming();
        glClear(GL_COLOR_BUFFER_BIT);
        // A new frame of rain each time, as in the player, outside the timed region.
        rain.effect.updateAllTracks(rain.time += kFrame);
        state.ResumeTiming();
    }
}

void BM_RainRender(benchmark::State& state) { renderRain(state, MatrixGreetingsEffect::Submission::VertexArray); }
BENCHMARK(BM_RainRender)->Arg(60)->Arg(300)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_RainRenderImmediate(benchmark::State& state) { renderRain(state, MatrixGreetingsEffect::Submission::Immediate); }
BENCHMARK(BM_RainRenderImmediate)->Arg(60)->Arg(300)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_VectorTextRender(benchmark::State& state) {
    context();
    VectorTextEffect effect;
    effect.init();
    effect.setText("VECTOR TEXT, DEMOTITTEL");
    const float progress = static_cast<float>(state.range(0)) / 10.0f;
    effect.findTrack("drawProgress")->setKey(0.0f, progress, InterpType::Linear);
    effect.findTrack("textSelect")->setKey(0.0f, 1.0f, InterpType::Step);
    float time = 1.0f;
    effect.updateAllTracks(time);
    for (auto _ : state) {
        effect.onRender();
        glFinish();
        state.PauseTiming();
        glClear(GL_COLOR_BUFFER_BIT);
        effect.updateAllTracks(time += kFrame);
        state.ResumeTiming();
    }
    state.SetLabel(progress < 0.2f ? "gather" : "draw");
}
BENCHMARK(BM_VectorTextRender)->Arg(1)->Arg(6)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
