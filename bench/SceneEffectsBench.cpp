// CPU time of the scene effects' onRender: each Basic3DEffect shape submitted in immediate
// mode, the rotating cube, and the camera and light setup. The GL queue is drained outside
// the timed region so that rasterisation is not counted. Headless context (llvmpipe here).
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstdio>
#include <memory>

#include "effects/Basic3DEffect.h"
#include "effects/Camera.h"
#include "effects/Lighting.h"
#include "effects/RotatingCubeEffect.h"
#include "BenchContext.h"
#include "platform/HeadlessGl.h"

namespace {

HeadlessGl& context() { return benchContext(256, 256); }

template <class E>
void renderLoop(benchmark::State& state, E& effect) {
    for (auto _ : state) {
        effect.onRender();
        state.PauseTiming();
        glFinish();
        state.ResumeTiming();
    }
}

void BM_Basic3DShape(benchmark::State& state) {
    context();
    Basic3DEffect effect;
    effect.init();
    effect.findTrack("shape")->setKey(0.0f, static_cast<float>(state.range(0)), InterpType::Step);
    effect.updateAllTracks(0.0f);
    Basic3DEffect::footballMesh();  // built once per run, not part of a draw
    renderLoop(state, effect);
    const char* names[] = {"sphere", "cylinder", "torus", "cube", "football"};
    state.SetLabel(names[state.range(0)]);
}
BENCHMARK(BM_Basic3DShape)->DenseRange(0, 4);

void BM_RotatingCube(benchmark::State& state) {
    context();
    RotatingCubeEffect effect;
    effect.init();
    renderLoop(state, effect);
}
BENCHMARK(BM_RotatingCube);

void BM_CameraAndLighting(benchmark::State& state) {
    context();
    Camera camera;
    camera.init();
    Lighting lighting;
    lighting.init();
    for (auto _ : state) {
        camera.onRender();
        lighting.onRender();
        state.PauseTiming();
        glFinish();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CameraAndLighting);

}  // namespace

BENCHMARK_MAIN();
