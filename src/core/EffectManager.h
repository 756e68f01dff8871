// Owns the ordered effect list of the demo and drives it once per frame: an update pass over
// every effect (tracks, then onUpdate when enabled), then a render pass drawing every enabled
// effect in list order. The order is the drawing order; no GL state is saved between effects.
// Main thread only.
#pragma once

#include <memory>
#include <vector>

#include "core/Effect.h"

using EffectList = std::vector<std::unique_ptr<Effect>>;

// Told before and after each effect's update and render, for tools that measure where a frame's
// time goes (demorender --profile). Called on the main thread; must not change the list.
class EffectObserver {
public:
    enum class Pass { Update, Render };
    virtual ~EffectObserver() = default;
    virtual void before(const Effect& effect, Pass pass) = 0;
    virtual void after(const Effect& effect, Pass pass) = 0;
};

class EffectManager {
public:
    // The process-wide manager (the camera finds the effect it follows through it).
    static EffectManager& instance();

    // Deletes the current effects in list order, then takes over `effects` in its order.
    void replaceList(EffectList effects);
    void update(float time);
    void render();

    std::size_t size() const { return effects_.size(); }
    // The effect at a 0-based position, or null past the end.
    Effect* at(std::size_t index) const { return index < effects_.size() ? effects_[index].get() : nullptr; }
    const EffectList& effects() const { return effects_; }
    // Null (the default) for none. The manager does not own it.
    void setObserver(EffectObserver* observer) { observer_ = observer; }

    ~EffectManager();

private:
    EffectList effects_;
    EffectObserver* observer_ = nullptr;
};
