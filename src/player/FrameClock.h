// Where a frame's time comes from. The player asks the music clock (the largest music position
// seen so far, ending the run when the music stops), the offline renderer a fixed timeline.
// The audio channel is behind an interface so the clock is testable without sound.
#pragma once

#include <optional>

struct FrameTime {
    float time = 0.0f;
    bool keepRunning = true;
};

class FrameClock {
public:
    virtual ~FrameClock() = default;
    virtual FrameTime frameTime() = 0;
};

// The playing music as the clock sees it.
class MusicChannel {
public:
    virtual ~MusicChannel() = default;
    // A music player exists and its channel is not 0.
    virtual bool playable() const = 0;
    // The audible position in seconds; empty when the audio library cannot tell.
    virtual std::optional<double> positionSeconds() = 0;
    virtual bool isPlaying() = 0;
};

// The current MusicPlayer's channel through the audio library.
class CurrentMusicChannel : public MusicChannel {
public:
    bool playable() const override;
    std::optional<double> positionSeconds() override;
    bool isPlaying() override;
};

class MusicClock : public FrameClock {
public:
    // Time that must pass before a stopped channel ends the run (it may not have started yet).
    static constexpr float kEndRuleStart = 0.5f;

    explicit MusicClock(MusicChannel& channel) : channel_(channel) {}

    // Without a playable channel: time 0 on every frame, never ending.
    FrameTime frameTime() override;
    float maxMusicTime() const { return maxMusicTime_; }

private:
    MusicChannel& channel_;
    float maxMusicTime_ = 0.0f;
};

// The same time on every frame; the renderer sets it before each frame.
class FixedClock : public FrameClock {
public:
    FrameTime frameTime() override { return {time, true}; }
    float time = 0.0f;
};
