// Frame pacing of the real frame function: 600 frames of runFrame with the player's pacer and
// steady clock, an empty effect list and no music, on the headless window (so the swap costs
// nothing and only the pacing shows). Reports the mean swap interval, the median and 99th
// percentile deviation from 1/60 s (of the swaps, and of the slot starts the pacer sets), and
// the processor time per frame (mostly the busy-wait's price).
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "core/EffectManager.h"
#include "platform/HeadlessGl.h"
#include "platform/HeadlessWindow.h"
#include "player/FrameClock.h"
#include "player/FrameLoop.h"
#include "player/FramePacer.h"

namespace {

class StampingWindow : public HeadlessWindow {
public:
    using HeadlessWindow::HeadlessWindow;
    void swapBuffers() override {
        HeadlessWindow::swapBuffers();
        swaps.push_back(std::chrono::steady_clock::now());
        if (pacer) slotStarts.push_back(pacer->lastFrameNanoseconds());
    }
    std::vector<std::chrono::steady_clock::time_point> swaps;
    std::vector<std::int64_t> slotStarts;  // where the pacer let each frame begin
    const FramePacer* pacer = nullptr;
};

class NoMusic : public MusicChannel {
public:
    bool playable() const override { return false; }
    std::optional<double> positionSeconds() override { return std::nullopt; }
    bool isPlaying() override { return false; }
};

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void BM_FramePacing600Frames(benchmark::State& state) {
    HeadlessGl gl;
    if (!gl.create(640, 360)) {
        state.SkipWithError(gl.error().c_str());
        return;
    }
    EffectManager::instance().replaceList({});
    StampingWindow window(gl);
    NoMusic silence;
    MusicClock clock(silence);
    constexpr int kFrames = 600;
    std::vector<double> intervals, deviations, slotDeviations;
    double cpu = 0.0;
    for (auto _ : state) {
        window.swaps.clear();
        window.slotStarts.clear();
        SystemPacingClock steady;
        FramePacer pacer(steady);
        window.pacer = &pacer;
        const double cpuStart = cpuSeconds();
        for (int i = 0; i <= kFrames; ++i) runFrame(window, &pacer, clock);
        cpu = cpuSeconds() - cpuStart;
        for (int i = 1; i <= kFrames; ++i) {
            const double dt = std::chrono::duration<double>(window.swaps[i] - window.swaps[i - 1]).count();
            intervals.push_back(dt);
            deviations.push_back(std::fabs(dt - 1.0 / 60.0));
            const double slot = static_cast<double>(window.slotStarts[i] - window.slotStarts[i - 1]) / 1e9;
            slotDeviations.push_back(std::fabs(slot - 1.0 / 60.0));
        }
        window.pacer = nullptr;
    }
    std::sort(deviations.begin(), deviations.end());
    std::sort(slotDeviations.begin(), slotDeviations.end());
    double sum = 0.0;
    for (double dt : intervals) sum += dt;
    state.counters["mean_interval_ms"] = 1000.0 * sum / static_cast<double>(intervals.size());
    state.counters["median_dev_us"] = 1e6 * deviations[deviations.size() / 2];
    state.counters["p99_dev_us"] = 1e6 * deviations[static_cast<std::size_t>(0.99 * static_cast<double>(deviations.size()))];
    // The same for the moments the pacer released each frame (without the frame's own work).
    state.counters["slot_median_dev_us"] = 1e6 * slotDeviations[slotDeviations.size() / 2];
    state.counters["slot_p99_dev_us"] =
        1e6 * slotDeviations[static_cast<std::size_t>(0.99 * static_cast<double>(slotDeviations.size()))];
    state.counters["cpu_ms_per_frame"] = 1000.0 * cpu / (kFrames + 1);
}
BENCHMARK(BM_FramePacing600Frames)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
