// A streamed music file truncated while the player is still decoding it: the channel stops where
// the file's audio ran out (so the music clock ends the run there) and the run ends with the
// error message instead of a claimed success; the same file untouched plays on and reports nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "base/Platform.h"
#include "player/Player.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace {

class MusicChangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        audio::setOutputMode(audio::OutputMode::Manual);
        // Two minutes of noise as FLAC: a stream (not a sample) that takes a while to decode.
        const ProcessResult made = runShell(
            "ffmpeg -v error -f lavfi -i anoisesrc=d=120:r=44100:a=0.3 -ac 2 music.flac", dir.path().string());
        ASSERT_EQ(made.exitCode, 0) << made.err;
        setMessageBoxHandler([this](const std::string& text, const std::string& caption, MessageIcon) {
            boxes.push_back(caption + ": " + text);
        });
    }
    void TearDown() override {
        setMessageBoxHandler(nullptr);
        releaseMusic();
        BASS_Free();
    }
    // Starts the stream and waits until it is decoded to its end (the spectrum of the last frames
    // waits for them).
    static void decodeToTheEnd(HCHANNEL channel) {
        ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
        audio::setManualPosition(119.9);
        float bins[256];
        for (int i = 0; i < 20 && !audio::sourceChanged(channel); ++i) BASS_ChannelGetData(channel, bins, BASS_DATA_FFT512);
    }

    TempDir dir;
    std::vector<std::string> boxes;
};

TEST_F(MusicChangeTest, ATruncatedStreamStopsWhereItsAudioEndsAndTheRunEndsWithAnError) {
    const std::string path = dir.file("music.flac");
    for (const bool truncate : {false, true}) {
        ASSERT_TRUE(loadMusic(path));
        if (truncate) std::filesystem::resize_file(path, 4096);
        const HCHANNEL channel = getMusicPlayer()->channel;
        decodeToTheEnd(channel);
        EXPECT_EQ(audio::sourceChanged(channel), truncate);
        audio::setManualPosition(0.1);
        EXPECT_EQ(BASS_ChannelIsActive(channel), BASS_ACTIVE_PLAYING);
        audio::setManualPosition(100.0);  // before the announced end, after the audio that was left
        EXPECT_EQ(BASS_ChannelIsActive(channel), truncate ? BASS_ACTIVE_STOPPED : BASS_ACTIVE_PLAYING);
        EXPECT_EQ(reportChangedMusic(), !truncate);  // the box's text also goes to stderr
    }
    EXPECT_EQ(boxes, std::vector<std::string>{"Error: The music file changed while playing.\nFile: '" + path + "'"});
}

}  // namespace
