// The two outputs without sound. Silent: the position follows the steady clock from the start,
// up to the end, so a demo plays in time when no device exists (or DEMO_AUDIO=null asks for it).
// Manual: the position is the time last given to setManualPosition, exactly, for reproducible
// offline frames. Neither reads the PCM data.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "Output.h"

namespace audio {

std::int64_t steadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

namespace {

class SilentOutput final : public Output {
public:
    bool attach(Voice&) override { return true; }
    void detach(Voice&) override {}
    void start(Voice& voice) override {
        voice.startNs = steadyNowNs();
        voice.generation.fetch_add(1, std::memory_order_release);
    }
    std::int64_t audibleFrame(Voice& voice) override {
        const double elapsed = static_cast<double>(steadyNowNs() - voice.startNs) * 1e-9;
        const double frame = std::floor(elapsed * voice.pcm.format().rate);
        const auto length = static_cast<double>(voice.pcm.format().frames);
        return static_cast<std::int64_t>(std::clamp(frame, 0.0, length));
    }
    const char* name() const override { return "silent output (steady clock)"; }
};

class ManualOutput final : public Output {
public:
    bool attach(Voice&) override { return true; }
    void detach(Voice&) override {}
    void start(Voice& voice) override { voice.generation.fetch_add(1, std::memory_order_release); }
    std::int64_t audibleFrame(Voice& voice) override {
        // A millionth of a frame of slack, so a time computed as frame / rate maps back to frame.
        const double frame = std::floor(manualPositionSeconds() * voice.pcm.format().rate + 1e-6);
        // Far outside any file, but keeps the conversion defined for absurd times.
        return static_cast<std::int64_t>(std::clamp(frame, -1e15, 1e15));
    }
    const char* name() const override { return "manual clock (offline rendering)"; }
};

}  // namespace

std::unique_ptr<Output> makeSilentOutput() { return std::make_unique<SilentOutput>(); }
std::unique_ptr<Output> makeManualOutput() { return std::make_unique<ManualOutput>(); }

}  // namespace audio
