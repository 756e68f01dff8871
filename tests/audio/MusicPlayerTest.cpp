// MusicPlayer and loadMusic/getMusicPlayer/releaseMusic: which call loads what (by the
// lower-cased text after the last '.'), the exact log lines and message box, bad files, and the
// BASS_Init failure after a failed load (the output stays initialised). Output: DEMO_AUDIO=null.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "AudioTestSignals.h"
#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "core/Logger.h"
#include "core/Platform.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {

struct ShownBox {
    std::string text, caption;
    MessageIcon icon;
};

class MusicPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("DEMO_AUDIO", "null", 1);
        Logger::instance().close();
        Logger::instance().open(logPath_, true);
        setMessageBoxHandler([this](const std::string& text, const std::string& caption, MessageIcon icon) {
            boxes_.push_back({text, caption, icon});
        });
    }
    void TearDown() override {
        releaseMusic();
        BASS_Free();
        setMessageBoxHandler(nullptr);
        Logger::instance().close();
    }

    // The messages of the log so far, without their "[HH:MM:SS] " stamps.
    std::vector<std::string> messages() const {
        static const std::regex stamped(R"(\[\d\d:\d\d:\d\d\] (.*))");
        std::vector<std::string> result;
        std::ifstream log(logPath_);
        for (std::string line; std::getline(log, line);) {
            std::smatch match;
            EXPECT_TRUE(std::regex_match(line, match, stamped)) << line;
            result.push_back(match[1]);
        }
        return result;
    }
    int count(const std::string& message) const {
        int n = 0;
        for (const auto& line : messages()) n += line == message;
        return n;
    }
    std::string wav(const std::string& name) {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(writeWavFile(path, signals::tones({{440, 0.5}}, 4410, 44100, 2), 2, 44100));
        return path;
    }

    TempDir dir_;
    std::string logPath_ = dir_.file("demo.log");
    std::vector<ShownBox> boxes_;
};

TEST_F(MusicPlayerTest, UpperCaseWavExtensionLoadsASample) {
    const std::string path = wav("Track.WAV");
    EXPECT_EQ(audio::outputMode(), audio::OutputMode::Silent);
    ASSERT_TRUE(loadMusic(path));
    MusicPlayer* player = getMusicPlayer();
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->filePath, path);
    EXPECT_NE(player->sample, 0u);
    EXPECT_EQ(player->stream, 0u);
    EXPECT_NE(player->channel, 0u);
    EXPECT_NE(player->channel, player->sample);
    EXPECT_EQ(BASS_ChannelGetLength(player->channel, BASS_POS_BYTE), 4410u * 4);
    const auto lines = messages();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Initializing MusicPlayer with file: " + path);
    for (const auto& line : lines) EXPECT_EQ(line.find("ERROR"), std::string::npos) << line;
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(MusicPlayerTest, Mp3LoadsAStreamThatIsTheChannel) {
    const std::string path = dir_.file("track.mp3");
    ASSERT_TRUE(writeMp3File(path, signals::tones({{440, 0.5}}, 4410, 44100, 2), 2, 44100));
    ASSERT_TRUE(loadMusic(path));
    MusicPlayer* player = getMusicPlayer();
    EXPECT_EQ(player->sample, 0u);
    EXPECT_NE(player->stream, 0u);
    EXPECT_EQ(player->channel, player->stream);
    EXPECT_EQ(BASS_ChannelGetLength(player->channel, BASS_POS_BYTE), 4410u * 4);
}

// The extension is the text after the last '.', wherever it is: "a.b/x.wav" is "wav", and a
// file "a.b/x" has the extension "b/x", so it loads as a stream (and decodes by content).
TEST_F(MusicPlayerTest, ExtensionIsTheTextAfterTheLastDot) {
    std::filesystem::create_directory(dir_.file("a.b"));
    const std::string withWav = wav("a.b/x.wav");
    ASSERT_TRUE(loadMusic(withWav));
    EXPECT_NE(getMusicPlayer()->sample, 0u);
    EXPECT_EQ(getMusicPlayer()->stream, 0u);

    const std::string bare = wav("a.b/x");
    ASSERT_TRUE(loadMusic(bare));
    EXPECT_EQ(getMusicPlayer()->sample, 0u);
    EXPECT_NE(getMusicPlayer()->stream, 0u);
    EXPECT_EQ(getMusicPlayer()->filePath, bare);
}

TEST_F(MusicPlayerTest, BadFilesGiveChannelZeroAndTheLogLine) {
    std::filesystem::create_directory(dir_.file("folder.wav"));
    dir_.write("empty.mp3", "");
    dir_.write("junk.wav", "RIFF....WAVEjunk that is no audio at all");
    const std::string cutWav = wav("cut.wav");
    std::filesystem::resize_file(cutWav, 2000);
    const std::string renamedMp3 = dir_.file("renamed.wav");
    ASSERT_TRUE(writeMp3File(renamedMp3, signals::tones({{440, 0.5}}, 4410, 44100, 2), 2, 44100));
    for (const std::string& path : {dir_.file("missing.mp3"), dir_.file("empty.mp3"), dir_.file("junk.wav"),
                                    cutWav, renamedMp3, dir_.file("folder.wav"), dir_.path().string()}) {
        EXPECT_FALSE(loadMusic(path)) << path;
        ASSERT_NE(getMusicPlayer(), nullptr);
        EXPECT_EQ(getMusicPlayer()->channel, 0u);
        EXPECT_EQ(count("ERROR: Failed to load audio: " + path), 1) << path;
        // A failed load leaves the output initialised; free it so the next file gets a fresh start.
        releaseMusic();
        EXPECT_TRUE(BASS_Free());
    }
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(MusicPlayerTest, LoadAfterAFailedLoadMeetsBassInitFailing) {
    const std::string missing = dir_.file("missing.wav");
    EXPECT_FALSE(loadMusic(missing));
    const std::string good = wav("good.wav");
    EXPECT_FALSE(loadMusic(good));
    MusicPlayer* player = getMusicPlayer();
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->filePath, good);
    EXPECT_EQ(player->channel, 0u);
    EXPECT_EQ(player->sample, 0u);
    EXPECT_EQ(player->stream, 0u);

    const std::vector<std::string> expected = {
        "Initializing MusicPlayer with file: " + missing,
        "ERROR: Failed to load audio: " + missing,
        "Initializing MusicPlayer with file: " + good,
        "ERROR: BASS_Init failed.",
    };
    std::vector<std::string> ours;  // the player's own lines, without the audio layer's details
    for (const auto& line : messages())
        if (line.rfind("Audio: ", 0) != 0) ours.push_back(line);
    EXPECT_EQ(ours, expected);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "BASS_Init failed");
    EXPECT_EQ(boxes_[0].caption, "Music Error");
    EXPECT_EQ(boxes_[0].icon, MessageIcon::Error);
}

TEST_F(MusicPlayerTest, ReplacingAndReleasingFreeTheOutput) {
    ASSERT_TRUE(loadMusic(wav("one.wav")));
    const HCHANNEL first = getMusicPlayer()->channel;
    ASSERT_TRUE(loadMusic(wav("two.wav"))) << "the first player freed the output";
    EXPECT_EQ(BASS_ChannelGetLength(first, BASS_POS_BYTE), BASS_POSITION_FAILED);
    EXPECT_NE(getMusicPlayer()->channel, first);
    releaseMusic();
    EXPECT_EQ(getMusicPlayer(), nullptr);
    EXPECT_FALSE(BASS_Free()) << "already freed by the player";
}

}  // namespace
