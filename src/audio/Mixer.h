// Mixes started voices from memory into stereo float at the device rate (linear resampling,
// per-voice volume, clipped to [-1, 1]) and tells each voice's audible position.
// render() runs on the audio callback thread: it never allocates, locks, waits or touches files.
// The audible position is where the latest block started (what the device consumed, minus that
// block still in its buffer) plus the steady time since that callback, capped at the block's end.
// Does not open a device or read clocks itself: callers pass the steady time, so it is testable.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "Voice.h"

namespace audio {

class Mixer {
public:
    static constexpr int kMaxVoices = 32;

    explicit Mixer(int deviceRate) : rate_(deviceRate) {}
    int rate() const { return rate_; }

    // Main thread. attach fails when all slots are taken.
    bool attach(Voice& voice);
    // Main thread. Returns once no callback can still be using the voice.
    void detach(Voice& voice);

    // Callback thread: writes `frames` stereo frames (2 floats each) to `out`; `nowNs` is the
    // steady-clock time of this callback.
    void render(float* out, int frames, std::int64_t nowNs);

    // Main thread: the audible source frame of a started voice at steady time `nowNs`;
    // 0 until the callback has picked up the latest start.
    std::int64_t audibleFrame(const Voice& voice, std::int64_t nowNs) const;

private:
    void mixVoice(Voice& voice, float* out, int frames) const;

    const int rate_;
    std::array<std::atomic<Voice*>, kMaxVoices> voices_{};
    std::atomic<bool> rendering_{false};
    // Odd while render() publishes block positions; readers retry around it (a sequence lock
    // whose writer never waits).
    std::atomic<std::uint32_t> sequence_{0};
    std::atomic<std::int64_t> renderNs_{0};
};

}  // namespace audio
