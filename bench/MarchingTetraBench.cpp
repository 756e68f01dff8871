// Milliseconds per frame of the iso-surface at 32, 64 and 80 grid points a side: the effect's
// whole update (tracks, sampling, normals, polygonisation) for the default field (a sphere
// smoothly joined with 17 metaballs) and for a half-way cross-fade to a box, next to the
// straightforward single-threaded frame of baselines/MarchingTetraReference.h (the composed
// field called per point, every tetrahedron of every cube) as the baseline. Each case reports
// its triangle count. The OneThread variant limits the worker threads to the calling thread.
#include <benchmark/benchmark.h>

#include "base/Workers.h"
#include "effects/MarchingTetraEffect.h"
#include "baselines/MarchingTetraReference.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;

void setKey(Effect& e, const char* track, float value) {
    KeyframeTrack* t = e.findTrack(track);
    t->setKey(0.0f, value, t->keys.at(0.0f).interp);
}

// Every iteration is a new frame time, so the metaballs move and nothing is skipped.
void effectFrames(benchmark::State& state, float morph) {
    MarchingTetraEffect effect;
    effect.init();
    setKey(effect, "gridRes", static_cast<float>(state.range(0)));
    setKey(effect, "morph", morph);
    float time = 1.0f;
    effect.updateAllTracks(time);
    for (auto _ : state) {
        time += kFrame;
        effect.updateAllTracks(time);
        benchmark::DoNotOptimize(effect.meshPositions.data());
    }
    state.counters["triangles"] = static_cast<double>(effect.meshPositions.size() / 9);
}

// The same frames as the effect's defaults, composed through the field system's callables.
void referenceFrames(benchmark::State& state, float morph) {
    const int n = static_cast<int>(state.range(0));
    FieldSystem fields;
    fields.init(n);
    if (morph > 0.0f)
        fields.configureMorph(fields.getFieldFunc(Sphere), fields.getFieldFunc(Metaballs), SmoothUnion, Sphere,
                              Metaballs, fields.getFieldFunc(Box), fields.getFieldFunc(Empty), SmoothUnion, Box, Empty,
                              morph);
    else
        fields.configureOperation(fields.getFieldFunc(Sphere), fields.getFieldFunc(Metaballs), SmoothUnion, Sphere,
                                  Metaballs);
    std::vector<float> values;
    std::vector<reference::Normal> normals;
    reference::Mesh mesh;
    float time = 1.0f;
    for (auto _ : state) {
        time += kFrame;
        fields.animateMetaballs(time, 3.0f, 0.75f);
        reference::sampleField(fields.composedField, n, values);
        reference::computeNormals(values, n, normals);
        reference::polygonize(values, normals, n, 0.0f, 3, mesh);
        benchmark::DoNotOptimize(mesh.positions.data());
    }
    state.counters["triangles"] = static_cast<double>(mesh.positions.size() / 9);
}

void BM_MarchingTetraUpdate(benchmark::State& state) { effectFrames(state, 0.0f); }
void BM_MarchingTetraUpdateOneThread(benchmark::State& state) {
    workers::setThreadCount(1);
    effectFrames(state, 0.0f);
    workers::setThreadCount(0);
}
void BM_MarchingTetraReference(benchmark::State& state) { referenceFrames(state, 0.0f); }
void BM_MarchingTetraMorphUpdate(benchmark::State& state) { effectFrames(state, 0.5f); }
void BM_MarchingTetraMorphReference(benchmark::State& state) { referenceFrames(state, 0.5f); }

BENCHMARK(BM_MarchingTetraUpdate)->Arg(32)->Arg(64)->Arg(80)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarchingTetraUpdateOneThread)->Arg(32)->Arg(64)->Arg(80)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarchingTetraReference)->Arg(32)->Arg(64)->Arg(80)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarchingTetraMorphUpdate)->Arg(80)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarchingTetraMorphReference)->Arg(80)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
