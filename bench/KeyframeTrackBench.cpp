// Cost of evaluating a keyframe track: a logarithmic search plus a few flops per call.
#include <benchmark/benchmark.h>

#include "core/KeyframeTrack.h"

namespace {

KeyframeTrack makeTrack(int keyCount, InterpType interp) {
    KeyframeTrack track("x");
    for (int i = 0; i < keyCount; ++i) track.setKey(0.5f + 0.25f * i, static_cast<float>(i % 7), interp);
    return track;
}

void evaluate(benchmark::State& state, InterpType interp) {
    const int keys = static_cast<int>(state.range(0));
    KeyframeTrack track = makeTrack(keys, interp);
    const float end = 0.5f + 0.25f * keys;
    float t = 0.0f, sum = 0.0f;
    for (auto _ : state) {
        sum += track.evaluate(t);
        t += 0.0173f;
        if (t > end) t = 0.0f;
    }
    benchmark::DoNotOptimize(sum);
}

void BM_EvaluateLinear(benchmark::State& state) { evaluate(state, InterpType::Linear); }
void BM_EvaluateCatmull(benchmark::State& state) { evaluate(state, InterpType::Catmull); }
void BM_EvaluateEaseInOutCubic(benchmark::State& state) { evaluate(state, InterpType::EaseInOutCubic); }

BENCHMARK(BM_EvaluateLinear)->Arg(10)->Arg(10000);
BENCHMARK(BM_EvaluateCatmull)->Arg(10)->Arg(10000);
BENCHMARK(BM_EvaluateEaseInOutCubic)->Arg(10)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
