// FramePacer: sleep, then busy-wait the last 2 ms of each 1/60 s slot.
#include "player/FramePacer.h"

#include <chrono>
#include <thread>

std::int64_t SystemPacingClock::nowNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SystemPacingClock::sleepMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

FramePacer::FramePacer(PacingClock& clock) : clock_(clock), lastFrame_(clock.nowNanoseconds()) {}

float FramePacer::secondsBetween(std::int64_t earlier, std::int64_t later) {
    return static_cast<float>(later - earlier) / 1e9f;
}

void FramePacer::waitForNextSlot() {
    const float remaining = kTargetFrameTime - secondsBetween(lastFrame_, clock_.nowNanoseconds());
    if (remaining > 0.0f) {
        if (remaining > kBusyWaitTime) {
            clock_.sleepMilliseconds(static_cast<int>((remaining - kBusyWaitTime) * 1000.0f));
        }
        while (secondsBetween(lastFrame_, clock_.nowNanoseconds()) < kTargetFrameTime) {
            // Sleeping here would overshoot by the scheduler's granularity.
        }
    }
    lastFrame_ = clock_.nowNanoseconds();
}
