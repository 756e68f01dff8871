// EffectManager: the update pass, then the render pass, with two crash-trace points per effect.
#include "core/EffectManager.h"

#include "base/CrashTrace.h"

EffectManager& EffectManager::instance() {
    static EffectManager manager;
    return manager;
}

EffectManager::~EffectManager() { replaceList({}); }

void EffectManager::replaceList(EffectList effects) {
    for (auto& effect : effects_) effect.reset();  // in list order
    effects_.clear();
    effects_.shrink_to_fit();
    effects_ = std::move(effects);
}

void EffectManager::update(float time) {
    for (auto& effect : effects_) {
        if (!effect) continue;
        TRACE_POINT("EffectManager::update", 139, "-> EffectManager kaller update() for: ", effect->instanceName);
        if (observer_) observer_->before(*effect, EffectObserver::Pass::Update);
        effect->updateAllTracks(time);
        if (observer_) observer_->after(*effect, EffectObserver::Pass::Update);
    }
}

void EffectManager::render() {
    for (auto& effect : effects_) {
        if (!effect) continue;
        TRACE_POINT("EffectManager::render", 147, "-> EffectManager kaller render() for: ", effect->instanceName);
        if (!(effect->enabled >= 0.5f)) continue;  // NaN draws nothing
        if (observer_) observer_->before(*effect, EffectObserver::Pass::Render);
        effect->onRender();
        if (observer_) observer_->after(*effect, EffectObserver::Pass::Render);
    }
}
