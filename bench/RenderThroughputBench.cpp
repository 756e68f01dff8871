// Offline rendering throughput of the bundled demo at 1280x720: one frame per iteration on a
// 60 fps timeline (wrapping at the end of the music), including the read-back of the pixels
// that demorender then encodes. items_per_second is frames per second.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "audio/Bass.h"
#include "core/TextureManager.h"
#include "player/OfflineSession.h"

namespace {

void BM_RenderBundledDemo1280x720(benchmark::State& state) {
    // The session prints the loader's messages; the numbers are what matters here.
    OfflineSession session;
    if (!session.open(DEMO_FOLDER, 1280, 720)) {
        state.SkipWithError(session.error().c_str());
        return;
    }
    const double length = session.musicLengthSeconds() > 0.0 ? session.musicLengthSeconds() : 10.0;
    long frame = 0;
    for (auto _ : state) {
        const double t = static_cast<double>(frame++) / 60.0;
        benchmark::DoNotOptimize(session.renderFrame(static_cast<float>(t - length * static_cast<long>(t / length))));
    }
    state.SetItemsProcessed(state.iterations());
    session.close();
    TextureManager::instance().clear();
}
BENCHMARK(BM_RenderBundledDemo1280x720)->MinTime(10.0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
