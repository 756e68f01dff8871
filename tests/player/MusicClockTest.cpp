// The music clock against a scripted audio channel (the largest position seen so far, the end
// rule that waits for 0.5 s of music, time 0 without music), then over the real silent output.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <thread>

#include "audio/MusicPlayer.h"
#include "player/FrameClock.h"
#include "player/LoadingPhase.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {

// Reports the queued positions one per query (nullopt: the query failed).
struct ScriptedChannel : MusicChannel {
    bool playable() const override { return hasChannel; }
    std::optional<double> positionSeconds() override {
        ++reads;
        if (positions.empty()) return std::nullopt;
        const std::optional<double> p = positions.front();
        positions.pop_front();
        return p;
    }
    bool isPlaying() override { return playing; }

    bool hasChannel = true, playing = true;
    std::deque<std::optional<double>> positions;
    int reads = 0;
};

TEST(MusicClock, TimeIsTheLargestPositionSeenAndAFailedQueryKeepsIt) {
    ScriptedChannel channel;
    channel.positions = {0.25, 1.5, 1.25, std::nullopt, 10.000000123456789};
    MusicClock clock(channel);
    std::vector<float> times;
    for (int i = 0; i < 5; ++i) times.push_back(clock.frameTime().time);
    EXPECT_EQ(times, (std::vector<float>{0.25f, 1.5f, 1.5f, 1.5f, static_cast<float>(10.000000123456789)}));
}

TEST(MusicClock, AStoppedChannelEndsTheRunOnlyPastHalfASecond) {
    ScriptedChannel stalled;
    stalled.playing = false;  // not started yet, or stalled
    stalled.positions = {0.0, 0.5, 0.5000001};
    MusicClock clock(stalled);
    EXPECT_TRUE(clock.frameTime().keepRunning);
    EXPECT_TRUE(clock.frameTime().keepRunning) << "exactly 0.5 is not past it";
    EXPECT_FALSE(clock.frameTime().keepRunning);

    ScriptedChannel ending;
    ending.positions = {59.9, 0.0};  // a stopped channel may report its start again
    MusicClock second(ending);
    EXPECT_TRUE(second.frameTime().keepRunning);
    ending.playing = false;
    const FrameTime end = second.frameTime();
    EXPECT_FALSE(end.keepRunning);
    EXPECT_FLOAT_EQ(end.time, 59.9f);
}

TEST(MusicClock, WithoutPlayableMusicEveryFrameIsAtTimeZeroAndNeverEnds) {
    ScriptedChannel channel;
    channel.hasChannel = channel.playing = false;
    MusicClock clock(channel);
    for (int i = 0; i < 10; ++i) {
        const FrameTime t = clock.frameTime();
        EXPECT_EQ(t.time, 0.0f);
        EXPECT_TRUE(t.keepRunning);
    }
    EXPECT_EQ(channel.reads, 0);
}

// The silent output's position follows a steady clock from the play call.
TEST(MusicClock, FollowsTheRealChannelToItsEnd) {
    audio::setOutputMode(audio::OutputMode::Silent);
    TempDir dir;
    ASSERT_TRUE(writeTestWav(dir.file("short.wav"), 0.8));
    ASSERT_TRUE(loadMusic(dir.file("short.wav")));
    CurrentMusicChannel channel;
    MusicClock clock(channel);
    EXPECT_TRUE(clock.frameTime().keepRunning) << "not started: time 0, the end rule waits";
    startMusicPlayback();
    float last = 0.0f;
    int frames = 0;
    for (FrameTime t; t.keepRunning; last = t.time) {
        t = clock.frameTime();
        ASSERT_GE(t.time, last);
        ASSERT_LT(t.time, 0.8f + 1e-3f);
        ASSERT_LT(++frames, 6000) << "the music never ended";  // 30 s or more
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GT(last, 0.5f);
    releaseMusic();
}

}  // namespace
