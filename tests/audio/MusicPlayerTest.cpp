// MusicPlayer and loadMusic/getMusicPlayer/releaseMusic: which call loads what (by the
// lower-cased text after the last '.'), the exact log lines and message box, and the BASS_Init
// failure after a failed load (the output stays initialised). Bad files: BassTest. Output:
// DEMO_AUDIO=null.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "AudioTestSignals.h"
#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "base/Platform.h"
#include "support/LogCapture.h"
#include "support/WavWriter.h"

namespace {

class MusicPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("DEMO_AUDIO", "null", 1);
        setMessageBoxHandler([this](const std::string& text, const std::string& caption, MessageIcon icon) {
            boxes_.push_back(caption + ": " + text + (icon == MessageIcon::Error ? " (error)" : ""));
        });
    }
    void TearDown() override {
        releaseMusic();
        BASS_Free();
        setMessageBoxHandler(nullptr);
    }
    // The log's messages except the audio layer's own.
    std::vector<std::string> messages() const {
        std::vector<std::string> lines = log_.lines();
        std::erase_if(lines, [](const std::string& line) { return line.starts_with("Audio: "); });
        return lines;
    }
    std::string write(const std::string& name, bool mp3 = false) {
        const auto samples = signals::tones({{440, 0.5}}, 4410, 44100, 2);
        const std::string path = dir_.file(name);
        EXPECT_TRUE(mp3 ? writeMp3File(path, samples, 2, 44100) : writeWavFile(path, samples, 2, 44100));
        return path;
    }

    LogCapture log_;
    TempDir dir_;
    std::vector<std::string> boxes_;
};

// The extension is the text after the last '.', wherever it is: "a.b/x" has "b/x", so it
// loads as a stream (and decodes by content).
TEST_F(MusicPlayerTest, WavLoadsASampleAndEverythingElseAStream) {
    std::filesystem::create_directory(dir_.file("a.b"));
    const std::pair<std::string, bool> cases[] = {{write("Track.WAV"), true}, {write("track.mp3", true), false},
                                                  {write("a.b/x.wav"), true}, {write("a.b/x"), false}};
    for (const auto& [path, isSample] : cases) {
        ASSERT_TRUE(loadMusic(path)) << path;
        const MusicPlayer* player = getMusicPlayer();
        EXPECT_EQ(player->filePath, path);
        EXPECT_EQ(player->sample != 0, isSample) << path;
        EXPECT_EQ(player->stream != 0, !isSample) << path;
        EXPECT_EQ(player->channel == player->stream, !isSample) << path;
        EXPECT_EQ(BASS_ChannelGetLength(player->channel, BASS_POS_BYTE), 4410u * 4) << path;
        EXPECT_EQ(messages().back(), "Initializing MusicPlayer with file: " + path);
    }
    releaseMusic();
    EXPECT_EQ(getMusicPlayer(), nullptr);
    EXPECT_FALSE(BASS_Free()) << "each player frees the output it initialised";
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(MusicPlayerTest, LoadAfterAFailedLoadMeetsBassInitFailing) {
    const std::string missing = dir_.file("missing.wav"), good = write("good.wav");
    EXPECT_FALSE(loadMusic(missing));
    EXPECT_FALSE(loadMusic(good));
    const MusicPlayer* player = getMusicPlayer();
    EXPECT_EQ(player->filePath, good);
    EXPECT_EQ(player->channel + player->sample + player->stream, 0u);
    EXPECT_EQ(messages(), (std::vector<std::string>{"Initializing MusicPlayer with file: " + missing,
                                                    "ERROR: Failed to load audio: " + missing,
                                                    "Initializing MusicPlayer with file: " + good,
                                                    "ERROR: BASS_Init failed."}));
    EXPECT_EQ(boxes_, std::vector<std::string>{"Music Error: BASS_Init failed (error)"});
}

}  // namespace
