// Playback state of one channel. The main thread and the mixer callback share it through
// atomics only; each plain field belongs to exactly one of them (see the groups below).
// Does not own the PCM data: the sample or stream that made the voice outlives it.
#pragma once

#include <atomic>
#include <cstdint>

#include "PcmBuffer.h"

namespace audio {

struct Voice {
    explicit Voice(const PcmBuffer& data) : pcm(data) {}

    const PcmBuffer& pcm;

    // Written by the main thread, read by the callback.
    std::atomic<float> volume{1.0f};
    // Bumped by every start from the beginning; 0 = never started.
    std::atomic<std::uint32_t> generation{0};

    // The callback's own cursor: whole source frames plus a phase in 1/deviceRate frames.
    std::uint32_t mixedGeneration = 0;
    std::uint64_t cursorFrame = 0;
    std::uint32_t cursorPhase = 0;

    // Published by the callback after each block (under the mixer's sequence counter), in
    // 1/deviceRate source frames: where the block started and ended for `blockGeneration`.
    std::atomic<std::uint32_t> blockGeneration{0};
    std::atomic<std::uint64_t> blockStartTicks{0};
    std::atomic<std::uint64_t> blockEndTicks{0};

    // Main thread only: start time for the clock outputs, last position reported.
    std::int64_t startNs = 0;
    std::int64_t lastReportedFrame = 0;
};

}  // namespace audio
