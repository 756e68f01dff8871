// The music clock against a scripted audio channel: the largest position seen so far, the end
// rule that waits for 0.5 s of music, and time 0 without music. Also the real channel view
// over the audio layer's silent output.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <thread>
#include <vector>

#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "player/FrameClock.h"
#include "player/LoadingPhase.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {

class ScriptedChannel : public MusicChannel {
public:
    bool playable() const override { return hasChannel; }
    std::optional<double> positionSeconds() override {
        ++positionReads;
        if (positions.empty()) return std::nullopt;
        std::optional<double> p = positions.front();
        positions.pop_front();
        return p;
    }
    bool isPlaying() override { return playing; }

    bool hasChannel = true;
    bool playing = true;
    std::deque<std::optional<double>> positions;
    int positionReads = 0;
};

}  // namespace

TEST(MusicClock, WithoutPlayableMusicEveryFrameIsAtTimeZeroAndNeverEnds) {
    ScriptedChannel channel;
    channel.hasChannel = false;
    channel.playing = false;
    MusicClock clock(channel);
    for (int i = 0; i < 100; ++i) {
        const FrameTime t = clock.frameTime();
        EXPECT_EQ(t.time, 0.0f);
        EXPECT_TRUE(t.keepRunning);
    }
    EXPECT_EQ(channel.positionReads, 0);
}

TEST(MusicClock, TimeIsTheLargestPositionSeenSoItNeverRunsBackwards) {
    ScriptedChannel channel;
    channel.positions = {0.25, 1.5, 1.25, 0.0, 2.0};
    MusicClock clock(channel);
    std::vector<float> times;
    for (int i = 0; i < 5; ++i) times.push_back(clock.frameTime().time);
    EXPECT_EQ(times, (std::vector<float>{0.25f, 1.5f, 1.5f, 1.5f, 2.0f}));
    EXPECT_EQ(clock.maxMusicTime(), 2.0f);
}

TEST(MusicClock, PositionsAreConvertedToFloatSeconds) {
    ScriptedChannel channel;
    channel.positions = {10.000000123456789};
    MusicClock clock(channel);
    EXPECT_EQ(clock.frameTime().time, static_cast<float>(10.000000123456789));
}

TEST(MusicClock, AStoppedChannelEndsTheRunOnlyAfterHalfASecond) {
    ScriptedChannel channel;
    channel.playing = false;  // not started yet, or stalled
    channel.positions = {0.0, 0.3, 0.5, 0.5000001};
    MusicClock clock(channel);
    EXPECT_TRUE(clock.frameTime().keepRunning);   // 0.0
    EXPECT_TRUE(clock.frameTime().keepRunning);   // 0.3
    EXPECT_TRUE(clock.frameTime().keepRunning);   // exactly 0.5 is not past it
    const FrameTime end = clock.frameTime();      // just past 0.5 and not playing
    EXPECT_FALSE(end.keepRunning);
    EXPECT_GT(end.time, 0.5f);
}

TEST(MusicClock, APlayingChannelKeepsRunningAndTheEndComesWhenItStops) {
    ScriptedChannel channel;
    channel.positions = {5.0, 59.9};
    MusicClock clock(channel);
    EXPECT_TRUE(clock.frameTime().keepRunning);
    EXPECT_TRUE(clock.frameTime().keepRunning);
    channel.playing = false;
    channel.positions = {0.0};  // a stopped channel may report its start again
    const FrameTime end = clock.frameTime();
    EXPECT_FALSE(end.keepRunning);
    EXPECT_FLOAT_EQ(end.time, 59.9f);
}

TEST(MusicClock, AFailedPositionQueryKeepsTheTimeWhereItWas) {
    ScriptedChannel channel;
    channel.positions = {1.0, std::nullopt, 1.1};
    MusicClock clock(channel);
    EXPECT_FLOAT_EQ(clock.frameTime().time, 1.0f);
    EXPECT_FLOAT_EQ(clock.frameTime().time, 1.0f);
    EXPECT_FLOAT_EQ(clock.frameTime().time, 1.1f);
}

TEST(MusicClock, FollowsTheRealChannelToItsEnd) {
    // DEMO_AUDIO=null: the silent output's position follows a steady clock from the play call.
    audio::setOutputMode(audio::OutputMode::Silent);
    TempDir dir;
    std::vector<std::int16_t> samples(static_cast<std::size_t>(44100 * 0.8) * 2, 0);
    ASSERT_TRUE(writeWavFile(dir.file("short.wav"), samples, 2, 44100));
    ASSERT_TRUE(loadMusic(dir.file("short.wav")));

    CurrentMusicChannel channel;
    ASSERT_TRUE(channel.playable());
    MusicClock clock(channel);
    EXPECT_TRUE(clock.frameTime().keepRunning);  // not started: time 0, the end rule waits
    startMusicPlayback();
    EXPECT_TRUE(channel.isPlaying());

    float last = 0.0f;
    int frames = 0;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const FrameTime t = clock.frameTime();
        ASSERT_GE(t.time, last);
        last = t.time;
        if (!t.keepRunning) break;
        ++frames;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << "the music never ended";
    }
    EXPECT_GT(last, 0.5f);
    EXPECT_LE(last, 0.8f + 1e-3f);
    EXPECT_GT(frames, 10);
    releaseMusic();
    EXPECT_FALSE(channel.playable());
}
