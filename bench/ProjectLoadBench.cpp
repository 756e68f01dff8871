// Loading a large project (500 effects of 20 tracks) and one update + render pass over it,
// with effects that draw nothing, so the numbers are the framework's own cost.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "base/Logger.h"
#include "core/EffectFactory.h"
#include "core/EffectManager.h"
#include "core/ProjectLoader.h"

namespace {

class TwentyTrackEffect : public Effect {
public:
    void onInit() override {
        for (int i = 0; i < 20; ++i) createTrack(std::string(1, 'p').append(std::to_string(i)), &values[i], 0.0f, 1.0f, 0.5f);
    }
    void onUpdate(float) override {}
    void onRender() override {}
    const char* getClassName() const override { return "TwentyTrackEffect"; }
    float values[20] = {};
};

std::string writeProject() {
    nlohmann::json effects = nlohmann::json::array();
    for (int e = 0; e < 500; ++e) {
        TwentyTrackEffect effect;
        effect.init();
        effect.instanceName = std::string("effect ").append(std::to_string(e));
        for (ITrack* track : effect.tracks)
            for (int k = 1; k <= 8; ++k)
                static_cast<KeyframeTrack*>(track)->setKey(2.0f * k, 0.1f * k, InterpType::EaseInOutQuad);
        effects.push_back(effect.toJson());
    }
    std::string path = (std::filesystem::temp_directory_path() / "bench_project.json").string();
    std::ofstream(path) << nlohmann::json{{"effects", effects}}.dump();
    return path;
}

void BM_LoadProject500x20(benchmark::State& state) {
    EffectFactory::registerEffect<TwentyTrackEffect>("TwentyTrackEffect");
    std::string path = writeProject();
    for (auto _ : state) {
        EffectList effects;
        std::vector<bool> collapsed;
        benchmark::DoNotOptimize(loadProject(path, effects, collapsed));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadProject500x20)->Unit(benchmark::kMillisecond);

void BM_UpdateAndRenderPerEffect(benchmark::State& state) {
    EffectFactory::registerEffect<TwentyTrackEffect>("TwentyTrackEffect");
    std::string path = writeProject();
    EffectList effects;
    std::vector<bool> collapsed;
    loadProject(path, effects, collapsed);
    const auto count = static_cast<std::int64_t>(effects.size());
    EffectManager::instance().replaceList(std::move(effects));
    float t = 0.0f;
    for (auto _ : state) {
        EffectManager::instance().update(t);
        EffectManager::instance().render();
        t += 1.0f / 60.0f;
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["seconds_per_effect"] = benchmark::Counter(static_cast<double>(state.iterations() * count),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                                                         benchmark::Counter::OneK::kIs1000);
    EffectManager::instance().replaceList({});
    std::filesystem::remove(path);
}
BENCHMARK(BM_UpdateAndRenderPerEffect)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
