// Per-frame cost of the puzzle cube, the waving flag and the cellular lines:
//  - the flag's update (tracks and mesh) at meshRes 100 and 250, next to the baseline at 250:
//    every corner of every quad evaluated on its own with the flag's surface functions;
//  - the cellular lines' regrow after a reset, to 600 s at 150 generations per second, next to
//    the cell-by-cell automaton that shifts its whole history every generation;
//  - each effect's onRender at its defaults through the headless context at 1280 x 720, with
//    vertex arrays (arg 0) and immediate mode (arg 1). The GL queue is drained outside the
//    timed region, so this is the cost of submitting, not of rasterising.
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "effects/CellularLinesEffect.h"
#include "effects/NorwegianFlagEffect.h"
#include "effects/RubixCubeEffect.h"
#include "BenchContext.h"
#include "platform/HeadlessGl.h"
#include "baselines/SceneObjectsReference.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;

// A 65 degree view of 16 : 9 from the origin, as the effects' defaults expect.
HeadlessGl& context() {
    HeadlessGl& gl = benchContext(1280, 720);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(65.0, 1280.0 / 720.0, 0.1, 250.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return gl;
}

void setKey(Effect& effect, const char* name, float value) {
    KeyframeTrack* track = effect.findTrack(name);
    track->setKey(0.0f, value, track->keys.at(0.0f).interp);
}

void BM_FlagUpdate(benchmark::State& state) {
    NorwegianFlagEffect flag;
    flag.init();
    setKey(flag, "meshRes", static_cast<float>(state.range(0)));
    float time = 1.0f;
    for (auto _ : state) {
        flag.updateAllTracks(time);
        time += kFrame;
    }
    state.counters["quads"] = flag.quadCount();
}
BENCHMARK(BM_FlagUpdate)->Arg(100)->Arg(250)->Unit(benchmark::kMillisecond);

struct FlagVertex {
    NorwegianFlagEffect::Vec3 position, normal, colour;
};

// Four records per quad, corners (ul, vb), (ur, vb), (ur, vt), (ul, vt), rows outer; each
// corner evaluated on its own (the point and three more for the normal).
void cornerByCornerMesh(const NorwegianFlagEffect& flag, std::vector<FlagVertex>& out) {
    out.clear();
    const int nx = std::clamp(static_cast<int>(flag.meshRes), 10, 250);
    const int rows = static_cast<int>(nx * 16.0 / 22.0) - 1;
    for (int j = 0; j < rows; ++j) {
        const float vb = static_cast<float>(j) / static_cast<float>(rows);
        const float vt = static_cast<float>(j + 1) / static_cast<float>(rows);
        for (int i = 0; i < nx - 1; ++i) {
            const float ul = static_cast<float>(i) / static_cast<float>(nx - 1);
            const float ur = static_cast<float>(i + 1) / static_cast<float>(nx - 1);
            for (const auto& [u, v] : {std::pair{ul, vb}, {ur, vb}, {ur, vt}, {ul, vt}})
                out.push_back({flag.position(u, v), flag.normal(u, v), flag.colour(u, v)});
        }
    }
}

// The same tracks, then the corner-by-corner mesh.
void BM_FlagUpdateReference(benchmark::State& state) {
    NorwegianFlagEffect flag;
    flag.init();
    setKey(flag, "meshRes", static_cast<float>(state.range(0)));
    std::vector<FlagVertex> mesh;
    float time = 1.0f;
    for (auto _ : state) {
        for (ITrack* track : flag.tracks) track->update(time);
        flag.lastTime = time;
        cornerByCornerMesh(flag, mesh);
        benchmark::DoNotOptimize(mesh.data());
        time += kFrame;
    }
}
BENCHMARK(BM_FlagUpdateReference)->Arg(250)->Unit(benchmark::kMillisecond);

// A seek back to 0 resets the pattern; the next frame at 600 s regrows 90,000 generations.
void BM_CellularRegrow(benchmark::State& state) {
    CellularLinesEffect lines;
    lines.init();
    setKey(lines, "speed", 150.0f);
    for (auto _ : state) {
        lines.updateAllTracks(0.0f);
        lines.updateAllTracks(600.0f);
    }
    state.counters["generations"] = lines.generated();
}
BENCHMARK(BM_CellularRegrow)->Unit(benchmark::kMillisecond);

void BM_CellularRegrowReference(benchmark::State& state) {
    for (auto _ : state) {
        reference::ShiftingCells cells;
        for (int g = 0; g < 90000; ++g) cells.step(30);
        benchmark::DoNotOptimize(cells.cells[0]);
    }
}
BENCHMARK(BM_CellularRegrowReference)->Unit(benchmark::kMillisecond);

template <class E>
void renderLoop(benchmark::State& state, E& effect) {
    effect.immediateMode = state.range(0) != 0;
    effect.onRender();  // the cube sets itself up on its first draw
    glFinish();
    for (auto _ : state) {
        effect.onRender();
        state.PauseTiming();
        glFinish();
        state.ResumeTiming();
    }
    state.SetLabel(effect.immediateMode ? "immediate" : "arrays");
}

void BM_RubixCubeRender(benchmark::State& state) {
    context();
    RubixCubeEffect cube;
    cube.init();
    cube.updateAllTracks(0.0f);
    renderLoop(state, cube);
}
BENCHMARK(BM_RubixCubeRender)->Arg(0)->Arg(1);

void BM_FlagRender(benchmark::State& state) {
    context();
    NorwegianFlagEffect flag;
    flag.init();
    flag.updateAllTracks(1.0f);
    renderLoop(state, flag);
}
BENCHMARK(BM_FlagRender)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Ten seconds grown frame by frame, so the sparks are spread along the pattern.
void BM_CellularLinesRender(benchmark::State& state) {
    context();
    glTranslatef(0.0f, 0.0f, -45.0f);
    CellularLinesEffect lines;
    lines.init();
    for (float time = 0.0f; time < 10.0f; time += kFrame) lines.updateAllTracks(time);
    renderLoop(state, lines);
}
BENCHMARK(BM_CellularLinesRender)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
