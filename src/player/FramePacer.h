// Paces frames to 1/60 s slots: sleeps for all but the last 2 ms of the slot, busy-waits the
// rest, then starts the next slot at the moment the wait ended (a late frame starts the next
// one at once; there is no catch-up). The clock is an input, so the pacing is testable.
#pragma once

#include <cstdint>

// A steady clock in nanoseconds and a sleep; the player passes the real one.
class PacingClock {
public:
    virtual ~PacingClock() = default;
    virtual std::int64_t nowNanoseconds() = 0;
    virtual void sleepMilliseconds(int milliseconds) = 0;
};

// std::chrono::steady_clock and std::this_thread::sleep_for.
class SystemPacingClock : public PacingClock {
public:
    std::int64_t nowNanoseconds() override;
    void sleepMilliseconds(int milliseconds) override;
};

class FramePacer {
public:
    static constexpr float kTargetFrameTime = 1.0f / 60.0f;
    static constexpr float kBusyWaitTime = 0.002f;

    // The first slot starts now.
    explicit FramePacer(PacingClock& clock);

    // Waits until a full slot has passed since the previous call (or construction).
    void waitForNextSlot();

    std::int64_t lastFrameNanoseconds() const { return lastFrame_; }

    // Seconds between two readings, as the 64-bit difference converted to float / 1e9.
    static float secondsBetween(std::int64_t earlier, std::int64_t later);

private:
    PacingClock& clock_;
    std::int64_t lastFrame_;
};
