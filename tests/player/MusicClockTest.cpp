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

// Frame by frame: the position the channel reports (nullopt: the query failed), whether it
// plays, and the frame time expected. A stopped channel may report its start again.
TEST(MusicClock, TheLargestPositionSeenAndTheEndOnlyPastHalfASecondOfAStoppedChannel) {
    struct Frame {
        std::optional<double> position;
        bool playing;
        float time;
        bool keepRunning;
    };
    const std::vector<std::vector<Frame>> runs = {
        {{0.25, true, 0.25f, true}, {1.5, true, 1.5f, true}, {1.25, true, 1.5f, true}, {std::nullopt, true, 1.5f, true},
         {10.000000123456789, true, 10.0000001f, true}},
        {{0.0, false, 0.0f, true}, {0.5, false, 0.5f, true}, {0.5000001, false, 0.5000001f, false}},  // stalled
        {{59.9, true, 59.9f, true}, {0.0, false, 59.9f, false}}};
    for (const auto& run : runs) {
        ScriptedChannel channel;
        MusicClock clock(channel);
        for (const Frame& f : run) {
            channel.positions = {f.position};
            channel.playing = f.playing;
            const FrameTime t = clock.frameTime();
            EXPECT_FLOAT_EQ(t.time, f.time) << f.position.value_or(-1);
            EXPECT_EQ(t.keepRunning, f.keepRunning) << f.position.value_or(-1);
        }
    }
    ScriptedChannel none;  // no playable music: every frame at time 0, never the end, no query
    none.hasChannel = none.playing = false;
    MusicClock clock(none);
    for (int i = 0; i < 10; ++i) {
        const FrameTime t = clock.frameTime();
        EXPECT_TRUE(t.time == 0.0f && t.keepRunning);
    }
    EXPECT_EQ(none.reads, 0);
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
