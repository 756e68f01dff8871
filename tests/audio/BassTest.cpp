// The BASS_ call interface against files the tests write: exact lengths (WAV, and MP3 after
// gapless decoding), positions and activity on the silent and the manual clock, the spectrum
// against a direct DFT, failure codes and bad files (one fuzz_audio found too). The device
// output's mixing is in BassMixerTest (no sound card here).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "AudioTestSignals.h"
#include "audio/Bass.h"
#include "support/LogCapture.h"
#include "support/WavWriter.h"

namespace {

using Spectrum = std::array<float, 256>;
using signals::noise;
using signals::tones;

class BassTest : public ::testing::Test {
protected:
    void SetUp() override { init(audio::OutputMode::Silent); }
    void TearDown() override { BASS_Free(); }
    static void init(audio::OutputMode mode) {
        audio::setOutputMode(mode);
        audio::setManualPosition(0.0);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    }
    // Writes MP3 data when the name contains ".mp3", else WAV.
    std::string write(const std::string& name, const std::vector<std::int16_t>& samples, int channels = 2,
                      int rate = 44100) {
        const std::string path = dir_.file(name);
        const bool mp3 = name.find(".mp3") != std::string::npos;
        EXPECT_TRUE(mp3 ? writeMp3File(path, samples, channels, rate) : writeWavFile(path, samples, channels, rate));
        return path;
    }
    static HSAMPLE sample(const std::string& path) { return BASS_SampleLoad(0, path.c_str(), 0, 0, 1, 0); }
    static HSTREAM stream(const std::string& path) {
        return BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_PRESCAN);
    }
    static HCHANNEL playing(DWORD channel) {
        EXPECT_TRUE(BASS_ChannelPlay(channel, 0));
        return channel;
    }
    static QWORD position(DWORD channel) { return BASS_ChannelGetPosition(channel, BASS_POS_BYTE); }
    static QWORD length(DWORD channel) { return BASS_ChannelGetLength(channel, BASS_POS_BYTE); }
    static Spectrum spectrum(DWORD channel) {
        Spectrum bins{};
        EXPECT_EQ(BASS_ChannelGetData(channel, bins.data(), BASS_DATA_FFT512), 256u * sizeof(float));
        return bins;
    }

    TempDir dir_;
};

class BassManualClockTest : public BassTest {
protected:
    void SetUp() override { init(audio::OutputMode::Manual); }
};

// MP3: libsndfile writes a LAME header; gapless decoding drops the encoder delay and padding.
TEST_F(BassTest, LengthsAreExactInBytesAndSeconds) {
    const struct {
        std::string path;
        QWORD frames;
        int channels, rate;
    } files[] = {
        {write("stereo.wav", noise(66150, 2, 1000)), 66150, 2, 44100},
        {write("mono.wav", noise(12345, 1, 1000), 1, 22050), 12345, 1, 22050},
        {write("stereo.mp3", tones({{440, 0.5}}, 12345, 44100, 2)), 12345, 2, 44100},
        {write("mono.mp3", tones({{440, 0.5}}, 10000, 22050, 1), 1, 22050), 10000, 1, 22050},
    };
    for (const auto& file : files) {
        const HSAMPLE loaded = sample(file.path);
        EXPECT_EQ(loaded == 0, file.path.ends_with(".mp3")) << "MPEG audio plays as a stream only";
        std::vector<DWORD> channels = {stream(file.path)};
        if (loaded) channels.push_back(BASS_SampleGetChannel(loaded, 0));
        const QWORD bytes = file.frames * file.channels * 2;
        for (const DWORD channel : channels) {
            EXPECT_EQ(length(channel), bytes) << file.path;
            EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(channel, bytes), double(file.frames) / file.rate) << file.path;
        }
    }
}

// The position read is bracketed by clock readings, so a test preempted on a loaded machine
// widens the bounds instead of failing.
TEST_F(BassTest, SilentOutputPlaysInRealTimeAndStopsAtTheEnd) {
    const HSTREAM shortOne = stream(write("short.wav", noise(4410, 2, 1000)));  // 0.1 s
    EXPECT_EQ(BASS_ChannelIsActive(shortOne), BASS_ACTIVE_STOPPED) << "before play";
    playing(shortOne);
    EXPECT_EQ(BASS_ChannelIsActive(shortOne), BASS_ACTIVE_PLAYING);
    const HCHANNEL longOne = playing(BASS_SampleGetChannel(sample(write("long.wav", noise(44100 * 5, 2, 1000))), 0));
    using Clock = std::chrono::steady_clock;
    const auto before0 = Clock::now();
    const QWORD p0 = position(longOne);
    const auto after0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const auto before1 = Clock::now();
    const double advanced = BASS_ChannelBytes2Seconds(longOne, position(longOne) - p0);
    const auto after1 = Clock::now();
    EXPECT_GE(advanced, std::chrono::duration<double>(before1 - after0).count() * 0.98);
    EXPECT_LE(advanced, std::chrono::duration<double>(after1 - before0).count() * 1.02);
    EXPECT_EQ(BASS_ChannelIsActive(longOne), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(BASS_ChannelIsActive(shortOne), BASS_ACTIVE_STOPPED) << "after its end";
    EXPECT_EQ(position(shortOne), 4410u * 4);
}

TEST_F(BassManualClockTest, PositionAndActivityFollowTheSetTime) {
    const HCHANNEL channel = BASS_SampleGetChannel(sample(write("two.wav", noise(88200, 2, 1000))), 0);
    audio::setManualPosition(1.0);
    EXPECT_EQ(position(channel), 0u) << "not started yet";
    EXPECT_EQ(BASS_ChannelIsActive(channel), BASS_ACTIVE_STOPPED);
    playing(channel);
    const struct {
        double seconds;
        QWORD bytes;
        DWORD active;
    } steps[] = {
        {1.25, 55125u * 4, BASS_ACTIVE_PLAYING},
        {15.0 / 44100, 15u * 4, BASS_ACTIVE_PLAYING},  // backwards (a render may seek); x 44100 just below 15
        {88199.0 / 44100, 88199u * 4, BASS_ACTIVE_PLAYING},
        {2.0, 88200u * 4, BASS_ACTIVE_STOPPED},
        {-0.5, 0, BASS_ACTIVE_STOPPED},
    };
    for (const auto& step : steps) {
        audio::setManualPosition(step.seconds);
        EXPECT_EQ(position(channel), step.bytes) << step.seconds;
        EXPECT_EQ(BASS_ChannelIsActive(channel), step.active) << step.seconds;
    }
}

// Single precision against the double DFT agrees to about 1e-8; a window one frame off changes
// some magnitude of this noise by 7e-5 or more. The first request (29 s) comes while the
// stream is still decoding in the background.
TEST_F(BassManualClockTest, SpectrumIsThatOfThe512FramesAtTheSetTime) {
    const long frames = 44100L * 30;
    const auto samples = noise(frames, 2, 20000);
    const HSTREAM channel = playing(stream(write("noise.wav", samples)));
    for (const long frame : {44100L * 29, 0L, 55125L, frames - 100, frames, -300L}) {
        audio::setManualPosition(double(frame) / 44100);
        const Spectrum bins = spectrum(channel);
        const auto reference = signals::referenceSpectrum(samples, 2, frame);
        const auto shifted = signals::referenceSpectrum(samples, 2, frame + 1);
        double error = 0, shiftError = 0;
        for (std::size_t k = 0; k < 256; ++k) {
            error = std::max(error, std::fabs(bins[k] - reference[k]));
            shiftError = std::max(shiftError, std::fabs(bins[k] - shifted[k]));
        }
        EXPECT_LT(error, 1e-6) << "frame " << frame;
        if (frame >= 0 && frame < frames) {
            EXPECT_GT(shiftError, 2e-5) << "frame " << frame;
        }
    }
    audio::setManualPosition(31.0);
    EXPECT_EQ(std::ranges::max(spectrum(channel)), 0.0f) << "zeros past the end";
}

// 0.5 s of silence, then a 1 kHz tone at 0.8: a decoder delay left in would move the onset.
// 1 kHz is bin 11.61; the Hann window's response 0.39 bins away is 0.453 of half the amplitude.
TEST_F(BassManualClockTest, Mp3StreamDecodesInPlace) {
    auto samples = tones({{1000, 0.8}}, 44100, 44100, 2);
    std::fill(samples.begin(), samples.begin() + 22050 * 2, std::int16_t{0});
    const HSTREAM channel = playing(stream(write("late-tone.mp3", samples)));
    audio::setManualPosition(0.5 - 600.0 / 44100);  // the window ends 88 frames before the tone
    EXPECT_LT(std::ranges::max(spectrum(channel)), 0.01);
    for (const double seconds : {0.5, 0.75}) {
        audio::setManualPosition(seconds);
        const Spectrum bins = spectrum(channel);
        EXPECT_EQ(std::ranges::max_element(bins) - bins.begin(), 12) << seconds;
        EXPECT_NEAR(bins[12], 0.8 * 0.453, 0.02) << seconds;
    }
}

TEST_F(BassTest, InvalidCallsFail) {
    const std::string path = write("tone.wav", tones({{1000, 0.5}}, 4410, 44100, 2));
    const HSAMPLE loaded = sample(path);
    const HCHANNEL channel = playing(BASS_SampleGetChannel(loaded, 0));
    Spectrum bins{};
    for (const DWORD flag : {0u, 0x80000000u, 0x80000002u})
        EXPECT_EQ(BASS_ChannelGetData(channel, bins.data(), flag), BASS_DATA_FAILED) << std::hex << flag;
    for (const DWORD handle : {0u, loaded, 0xDEADBEEFu})
        EXPECT_EQ(BASS_ChannelGetData(handle, bins.data(), BASS_DATA_FFT512), BASS_DATA_FAILED) << handle;
    EXPECT_EQ(position(0xDEADBEEF), BASS_POSITION_FAILED);
    EXPECT_FALSE(BASS_ChannelSetAttribute(channel, 1, 0.5f)) << "volume is the only attribute";
    EXPECT_EQ(BASS_SampleLoad(0, path.c_str(), 4, 0, 1, 0), 0u) << "whole files only: no offset";

    const HSTREAM decoding = stream(write("sixty.wav", std::vector<std::int16_t>(44100 * 60 * 2)));
    EXPECT_TRUE(BASS_StreamFree(decoding)) << "while it still decodes";
    EXPECT_FALSE(BASS_StreamFree(decoding));
    EXPECT_EQ(length(decoding), BASS_POSITION_FAILED);

    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr)) << "a second init without free";
    EXPECT_TRUE(BASS_Free());
    EXPECT_FALSE(BASS_Free());
    EXPECT_EQ(stream(path), 0u) << "nothing loads without init";
    EXPECT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
}

// An SDL audio driver that does not exist: the silent clock takes over, with one log line.
TEST_F(BassTest, NoDeviceMeansSilentOutputAndOneLogLine) {
    BASS_Free();
    const LogCapture log;
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    init(audio::OutputMode::Device);
    const HCHANNEL channel = playing(BASS_SampleGetChannel(sample(write("a.wav", noise(44100, 2, 100))), 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_GT(position(channel), 0u);
    EXPECT_TRUE(BASS_Free());
    unsetenv("SDL_AUDIODRIVER");
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("Audio: no output device (", 0), 0u) << lines[0];
}

// The content decides the decoder, not the name; but a sample takes no MPEG audio. fuzz_audio
// found an 81-byte WAV whose LIST chunk claims more bytes than the file holds, which kept
// libsndfile in sf_open for minutes: it is refused at once. Such a chunk after the audio data
// (which libsndfile reads fine) does not stop a file from loading.
TEST_F(BassTest, BadFilesAreRefused) {
    write("good.wav", noise(44100, 2, 1000));
    write("good.mp3", tones({{440, 0.5}}, 44100, 44100, 2));
    const std::string wav = dir_.read("good.wav"), mp3 = dir_.read("good.mp3");
    std::filesystem::create_directory(dir_.file("folder.wav"));
    const std::string found(
        "RIFF\x86\x06\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x80\x3e\x00\x00\x2c\x00\x10\x00"
        "LIST\x40\x00\x00\x00INFOISFT\x0e\x00\x00\x00Lavf59.27.100\x00"
        "datA\xf8\xff\xff\xff\x05\x59\x06",
        81);
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& path :
         {dir_.file("missing.wav"), dir_.write("empty.wav", ""), dir_.write("empty.mp3", ""),
          dir_.write("header-only.wav", wav.substr(0, 30)), dir_.write("cut.wav", wav.substr(0, wav.size() / 2)),
          dir_.write("cut.mp3", mp3.substr(0, mp3.size() / 2)),
          dir_.write("garbage.wav", "RIFF....WAVEnot audio" + std::string(4000, 'x')),
          dir_.write("id3-garbage.mp3", "ID3" + std::string(4000, 'x')), dir_.file("folder.wav"),
          dir_.write("found.wav", found)}) {
        EXPECT_EQ(sample(path), 0u) << path;
        EXPECT_EQ(stream(path), 0u) << path;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    const std::string renamed = write("renamed.mp3.wav", tones({{440, 0.5}}, 12345, 44100, 2));
    EXPECT_EQ(sample(renamed), 0u);
    EXPECT_EQ(length(stream(renamed)), 12345u * 4);
    EXPECT_EQ(length(stream(write("no-extension", noise(777, 1, 100), 1))), 777u * 2);
    const std::string tail = write("tail.wav", noise(4410, 2, 100));
    std::ofstream(tail, std::ios::app | std::ios::binary) << std::string("LIST\xe8\x03\x00\x00INFO", 12);
    EXPECT_NE(sample(tail), 0u);
}

}  // namespace
