// The BASS_ call interface against files the tests write themselves: exact lengths (WAV, and
// MP3 after gapless decoding), positions and activity with the silent and the manual clock,
// the spectrum against a direct DFT and analytic tone magnitudes, failure codes and bad files.
// The device output is not exercised here (CI has no sound card); its mixing is in MixerTest.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "AudioTestSignals.h"
#include "audio/Bass.h"
#include "core/Logger.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {

using Spectrum = std::array<float, 256>;

class BassTest : public ::testing::Test {
protected:
    void SetUp() override {
        audio::setOutputMode(audio::OutputMode::Silent);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    }
    void TearDown() override { BASS_Free(); }

    std::string wav(const std::string& name, const std::vector<std::int16_t>& samples, int channels, int rate) {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(writeWavFile(path, samples, channels, rate));
        return path;
    }
    std::string mp3(const std::string& name, const std::vector<std::int16_t>& samples, int channels, int rate) {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(writeMp3File(path, samples, channels, rate));
        return path;
    }
    // A playing-ready channel of a sample loaded from `path`.
    static HCHANNEL sampleChannel(const std::string& path) {
        const HSAMPLE sample = BASS_SampleLoad(0, path.c_str(), 0, 0, 1, 0);
        return sample ? BASS_SampleGetChannel(sample, 0) : 0;
    }
    static HSTREAM stream(const std::string& path) {
        return BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_PRESCAN);
    }
    static Spectrum spectrum(DWORD channel) {
        Spectrum bins{};
        EXPECT_EQ(BASS_ChannelGetData(channel, bins.data(), BASS_DATA_FFT512), 256u * sizeof(float));
        return bins;
    }

    TempDir dir_;
};

class BassManualClockTest : public BassTest {
protected:
    void SetUp() override {
        audio::setOutputMode(audio::OutputMode::Manual);
        audio::setManualPosition(0.0);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    }
};

TEST_F(BassTest, WavLengthIsExactInBytesAndSeconds) {
    const std::string stereo = wav("stereo.wav", signals::noise(66150, 2, 1000), 2, 44100);
    const std::string mono = wav("mono.wav", signals::noise(12345, 1, 1000), 1, 22050);
    for (const HCHANNEL channel : {sampleChannel(stereo), stream(stereo)}) {
        ASSERT_NE(channel, 0u);
        EXPECT_EQ(BASS_ChannelGetLength(channel, BASS_POS_BYTE), 66150u * 4);
        EXPECT_EQ(BASS_ChannelBytes2Seconds(channel, 66150u * 4), 1.5);
    }
    for (const HCHANNEL channel : {sampleChannel(mono), stream(mono)}) {
        ASSERT_NE(channel, 0u);
        EXPECT_EQ(BASS_ChannelGetLength(channel, BASS_POS_BYTE), 12345u * 2);
        EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(channel, 12345u * 2), 12345.0 / 22050);
        EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(channel, 22050 * 2), 1.0);
    }
}

// libsndfile's MP3 files carry a LAME header; gapless decoding removes the encoder delay and
// padding it records, which restores exactly the frames that were encoded.
TEST_F(BassTest, Mp3LengthIsExactAfterGaplessDecoding) {
    const std::string stereo = mp3("stereo.mp3", signals::tones({{440, 0.5}}, 12345, 44100, 2), 2, 44100);
    const std::string mono = mp3("mono.mp3", signals::tones({{440, 0.5}}, 10000, 22050, 1), 1, 22050);
    const HSTREAM stereoStream = stream(stereo);
    ASSERT_NE(stereoStream, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(stereoStream, BASS_POS_BYTE), 12345u * 4);
    EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(stereoStream, 12345u * 4), 12345.0 / 44100);
    const HSTREAM monoStream = stream(mono);
    ASSERT_NE(monoStream, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(monoStream, BASS_POS_BYTE), 10000u * 2);
    // MPEG audio plays as a stream only.
    EXPECT_EQ(BASS_SampleLoad(0, stereo.c_str(), 0, 0, 1, 0), 0u);
}

TEST_F(BassTest, SilentOutputPositionAdvancesAtRealTimeRate) {
    const HCHANNEL channel = sampleChannel(wav("long.wav", signals::noise(44100 * 5, 2, 1000), 2, 44100));
    ASSERT_NE(channel, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    const auto t0 = std::chrono::steady_clock::now();
    const QWORD p0 = BASS_ChannelGetPosition(channel, BASS_POS_BYTE);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const QWORD p1 = BASS_ChannelGetPosition(channel, BASS_POS_BYTE);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double advanced = BASS_ChannelBytes2Seconds(channel, p1 - p0);
    EXPECT_NEAR(advanced / elapsed, 1.0, 0.02) << advanced << " s of audio in " << elapsed << " s";
    EXPECT_EQ(BASS_ChannelIsActive(channel), BASS_ACTIVE_PLAYING);
}

TEST_F(BassTest, ActivityIsZeroBeforePlayAndAfterTheEnd) {
    const HCHANNEL channel = stream(wav("short.wav", signals::noise(4410, 2, 1000), 2, 44100));  // 0.1 s
    ASSERT_NE(channel, 0u);
    EXPECT_EQ(BASS_ChannelIsActive(channel), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ChannelGetPosition(channel, BASS_POS_BYTE), 0u);
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    EXPECT_EQ(BASS_ChannelIsActive(channel), BASS_ACTIVE_PLAYING);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(BASS_ChannelIsActive(channel), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ChannelGetPosition(channel, BASS_POS_BYTE), 4410u * 4);
}

TEST_F(BassManualClockTest, PositionAndActivityFollowTheSetTime) {
    const HCHANNEL channel = sampleChannel(wav("two.wav", signals::noise(88200, 2, 1000), 2, 44100));
    ASSERT_NE(channel, 0u);
    audio::setManualPosition(1.0);
    EXPECT_EQ(BASS_ChannelGetPosition(channel, BASS_POS_BYTE), 0u) << "not started yet";
    EXPECT_EQ(BASS_ChannelIsActive(channel), BASS_ACTIVE_STOPPED);
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));

    const struct {
        double seconds;
        QWORD bytes;
        DWORD active;
    } expected[] = {
        {0.0, 0, BASS_ACTIVE_PLAYING},
        {1.25, 55125u * 4, BASS_ACTIVE_PLAYING},
        {0.5, 22050u * 4, BASS_ACTIVE_PLAYING},  // backwards too: offline renders may seek
        {1001.0 / 44100, 1001u * 4, BASS_ACTIVE_PLAYING},
        {88199.0 / 44100, 88199u * 4, BASS_ACTIVE_PLAYING},
        {2.0, 88200u * 4, BASS_ACTIVE_STOPPED},
        {7.0, 88200u * 4, BASS_ACTIVE_STOPPED},
        {-0.5, 0, BASS_ACTIVE_STOPPED},
    };
    for (const auto& step : expected) {
        audio::setManualPosition(step.seconds);
        EXPECT_EQ(BASS_ChannelGetPosition(channel, BASS_POS_BYTE), step.bytes) << step.seconds;
        EXPECT_EQ(BASS_ChannelIsActive(channel), step.active) << step.seconds;
    }
}

// Single-precision FFT against the double DFT agrees to about 1e-8 here; a window one frame
// off changes some magnitude of this noise by 7e-5 or more. 1e-6 and 2e-5 separate the two.
TEST_F(BassManualClockTest, SpectrumIsThatOfTheFramesAtTheSetTime) {
    const auto samples = signals::noise(88200, 2, 20000);
    const HCHANNEL channel = sampleChannel(wav("noise.wav", samples, 2, 44100));
    ASSERT_NE(channel, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    for (const long frame : {0L, 22050L, 55125L, 88200L - 100, 88200L, -300L}) {
        audio::setManualPosition(static_cast<double>(frame) / 44100);
        const Spectrum bins = spectrum(channel);
        const auto reference = signals::referenceSpectrum(samples, 2, frame);
        const auto shifted = signals::referenceSpectrum(samples, 2, frame + 1);
        double worst = 0, shiftWorst = 0;
        for (std::size_t k = 0; k < 256; ++k) {
            worst = std::max(worst, std::fabs(bins[k] - reference[k]));
            shiftWorst = std::max(shiftWorst, std::fabs(bins[k] - shifted[k]));
        }
        EXPECT_LT(worst, 1e-6) << "frame " << frame;
        if (frame >= 0 && frame < 88200) {
            EXPECT_GT(shiftWorst, 2e-5) << "frame " << frame;
        }
    }
    audio::setManualPosition(3.0);
    const Spectrum past = spectrum(channel);
    EXPECT_TRUE(std::all_of(past.begin(), past.end(), [](float v) { return v == 0.0f; }));
}

// 1 kHz lies at bin 11.61, 0.39 bins from bin 12. A full-scale sine reads 0.5 x (Hann response
// at that distance) = 0.453 there. The sinc approximation of the window transform and the
// leakage of the negative-frequency image (23 bins away, Hann sidelobes below 1e-4) are each
// under 1e-4 at N = 512; 2e-3 is the tolerance.
TEST_F(BassManualClockTest, FullScaleSineOf1kHzPeaksInBin12NearHalf) {
    const HCHANNEL channel = sampleChannel(wav("sine.wav", signals::tones({{1000, 1.0}}, 44100, 44100, 2), 2, 44100));
    ASSERT_NE(channel, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    audio::setManualPosition(0.25);
    const Spectrum bins = spectrum(channel);
    const auto peak = std::max_element(bins.begin(), bins.end()) - bins.begin();
    EXPECT_EQ(peak, 12);
    const double scale = 32767.0 / 32768;
    EXPECT_NEAR(bins[12], 0.5 * scale * signals::hannResponse(12 - signals::binOf(1000)), 2e-3);
    EXPECT_NEAR(bins[11], 0.5 * scale * signals::hannResponse(11 - signals::binOf(1000)), 2e-3);
    EXPECT_GT(bins[12], 0.5 * 0.84);  // Hann scalloping loss is at most 1.42 dB
    EXPECT_TRUE(std::all_of(bins.begin(), bins.end(), [](float v) { return v >= 0.0f && v <= 1.0f; }));
}

// The band sums a demo's effects use: bins 1..3 x 1.5 (low), 5..19 x 1.5 (mid), 20..99 x 2 (high).
// 130 Hz (bin 1.51) falls in low, 2 kHz (bin 23.22) in high; mid only sees Hann sidelobes.
TEST_F(BassManualClockTest, TwoToneBandSumsMatchTheHannResponse) {
    const auto samples = signals::tones({{130, 0.5}, {2000, 0.5}}, 44100, 44100, 2);
    const HCHANNEL channel = sampleChannel(wav("two-tone.wav", samples, 2, 44100));
    ASSERT_NE(channel, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    audio::setManualPosition(0.5);
    const Spectrum bins = spectrum(channel);
    auto band = [&](int from, int to) {
        double sum = 0;
        for (int k = from; k <= to; ++k) sum += bins[static_cast<std::size_t>(k)];
        return sum;
    };
    auto expected = [](double hz, int from, int to) {
        double sum = 0;
        for (int k = from; k <= to; ++k) sum += 0.25 * signals::hannResponse(k - signals::binOf(hz));
        return sum;
    };
    // Low: the 130 Hz image at bin -1.51 adds up to 0.25 x 0.024 per bin with unknown phase.
    EXPECT_NEAR(band(1, 3) * 1.5, expected(130, 1, 3) * 1.5, 0.02);
    EXPECT_NEAR(band(1, 3) * 1.5, 0.70, 0.03);
    EXPECT_LT(band(5, 19) * 1.5, 0.02);
    EXPECT_NEAR(band(20, 99) * 2.0, expected(2000, 20, 99) * 2.0, 0.01);
    EXPECT_NEAR(band(20, 99) * 2.0, 1.0, 0.06);
}

// The MP3 is silent for 0.5 s, then a 1 kHz tone: gapless decoding must keep them in place.
TEST_F(BassManualClockTest, Mp3StreamDecodesInPlace) {
    auto samples = signals::tones({{1000, 0.8}}, 44100, 44100, 2);
    std::fill(samples.begin(), samples.begin() + 22050 * 2, std::int16_t{0});
    const HSTREAM channel = stream(mp3("late-tone.mp3", samples, 2, 44100));
    ASSERT_NE(channel, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    audio::setManualPosition(0.5 - 600.0 / 44100);  // window ends 88 frames before the tone
    Spectrum bins = spectrum(channel);
    EXPECT_LT(*std::max_element(bins.begin(), bins.end()), 0.01);
    const double expected = 0.8 * 0.5 * signals::hannResponse(12 - signals::binOf(1000));
    for (const double seconds : {0.5, 0.75}) {  // from the onset on, a decoder delay would show
        audio::setManualPosition(seconds);
        bins = spectrum(channel);
        EXPECT_EQ(std::max_element(bins.begin(), bins.end()) - bins.begin(), 12) << seconds;
        EXPECT_NEAR(bins[12], expected, 0.02) << seconds;
    }
}

// A 30 s stream decodes in the background; a spectrum far ahead waits for it and is exact.
TEST_F(BassManualClockTest, SpectrumOfAStreamStillDecodingIsExact) {
    const auto samples = signals::noise(44100 * 30, 2, 20000);
    const HSTREAM channel = stream(wav("thirty.wav", samples, 2, 44100));
    ASSERT_NE(channel, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    const long frame = 44100L * 29;
    audio::setManualPosition(29.0);
    const Spectrum bins = spectrum(channel);
    const auto reference = signals::referenceSpectrum(samples, 2, frame);
    for (std::size_t k = 0; k < 256; ++k) EXPECT_NEAR(bins[k], reference[k], 1e-6) << k;
}

TEST_F(BassTest, StreamFreedWhileDecodingStopsAtOnce) {
    const std::string path = wav("sixty.wav", signals::noise(44100 * 60, 2, 1000), 2, 44100);
    const auto t0 = std::chrono::steady_clock::now();
    const HSTREAM channel = stream(path);
    ASSERT_NE(channel, 0u);
    EXPECT_TRUE(BASS_StreamFree(channel));
    EXPECT_FALSE(BASS_StreamFree(channel));
    EXPECT_EQ(BASS_ChannelGetLength(channel, BASS_POS_BYTE), BASS_POSITION_FAILED);
    // Not a speed test: a generous bound that only a decoder that cannot be stopped misses.
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(20));
}

TEST_F(BassTest, GetDataFailureCodes) {
    const std::string path = wav("tone.wav", signals::tones({{1000, 0.5}}, 4410, 44100, 2), 2, 44100);
    const HSAMPLE sample = BASS_SampleLoad(0, path.c_str(), 0, 0, 1, 0);
    ASSERT_NE(sample, 0u);
    const HCHANNEL channel = BASS_SampleGetChannel(sample, 0);
    ASSERT_NE(channel, 0u);
    EXPECT_EQ(BASS_SampleGetChannel(sample, 0), channel);
    EXPECT_EQ(BASS_SampleGetChannel(sample, 1), 0u);
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    Spectrum bins{};
    EXPECT_EQ(BASS_ChannelGetData(channel, bins.data(), BASS_DATA_FFT512), 1024u);
    for (const DWORD flag : {0u, 256u * 4, 0x80000000u, 0x80000002u, 0x80000003u, 0x00000001u})
        EXPECT_EQ(BASS_ChannelGetData(channel, bins.data(), flag), BASS_DATA_FAILED) << std::hex << flag;
    EXPECT_EQ(BASS_ChannelGetData(channel, nullptr, BASS_DATA_FFT512), BASS_DATA_FAILED);
    EXPECT_EQ(BASS_ChannelGetData(sample, bins.data(), BASS_DATA_FFT512), BASS_DATA_FAILED) << "a sample is no channel";
    EXPECT_EQ(BASS_ChannelGetData(0, bins.data(), BASS_DATA_FFT512), BASS_DATA_FAILED);
    EXPECT_EQ(BASS_ChannelGetData(0xDEADBEEF, bins.data(), BASS_DATA_FFT512), BASS_DATA_FAILED);
    EXPECT_EQ(BASS_ChannelGetPosition(channel, 1), BASS_POSITION_FAILED);
    EXPECT_EQ(BASS_ChannelGetPosition(0xDEADBEEF, BASS_POS_BYTE), BASS_POSITION_FAILED);
    EXPECT_EQ(BASS_ChannelIsActive(0xDEADBEEF), BASS_ACTIVE_STOPPED);
    EXPECT_FALSE(BASS_StreamFree(channel)) << "a sample's channel is no stream";
    EXPECT_TRUE(BASS_SampleFree(sample));
    EXPECT_EQ(BASS_ChannelGetData(channel, bins.data(), BASS_DATA_FFT512), BASS_DATA_FAILED) << "freed with its sample";
}

TEST_F(BassTest, VolumeIsTheOnlyAttribute) {
    const HCHANNEL channel = sampleChannel(wav("v.wav", signals::noise(100, 1, 100), 1, 44100));
    ASSERT_NE(channel, 0u);
    EXPECT_TRUE(BASS_ChannelSetAttribute(channel, BASS_ATTRIB_VOL, 0.5f));
    EXPECT_FALSE(BASS_ChannelSetAttribute(channel, 1, 0.5f));
    EXPECT_FALSE(BASS_ChannelSetAttribute(channel, BASS_ATTRIB_VOL, std::nanf("")));
    EXPECT_FALSE(BASS_ChannelSetAttribute(0xDEADBEEF, BASS_ATTRIB_VOL, 0.5f));
}

TEST_F(BassTest, SecondInitWithoutFreeFails) {
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_TRUE(BASS_Free());
    EXPECT_FALSE(BASS_Free());
    EXPECT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
}

TEST(BassWithoutInit, LoadingFails) {
    BASS_Free();
    TempDir dir;
    const std::string path = dir.file("a.wav");
    ASSERT_TRUE(writeWavFile(path, signals::noise(100, 1, 100), 1, 44100));
    EXPECT_EQ(BASS_SampleLoad(0, path.c_str(), 0, 0, 1, 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_PRESCAN), 0u);
}

// With an SDL audio driver that does not exist, the device cannot open: the output falls back to
// the silent clock, says so once in the log, and a channel still plays in time.
TEST(BassDeviceFallback, NoDeviceMeansSilentOutputAndOneLogLine) {
    BASS_Free();
    TempDir dir;
    const std::string logPath = dir.file("audio.log");
    Logger::instance().close();
    Logger::instance().open(logPath, true);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    audio::setOutputMode(audio::OutputMode::Device);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    const std::string path = dir.file("a.wav");
    ASSERT_TRUE(writeWavFile(path, signals::noise(44100, 2, 100), 2, 44100));
    const HSTREAM channel = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_PRESCAN);
    ASSERT_NE(channel, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_GT(BASS_ChannelGetPosition(channel, BASS_POS_BYTE), 0u);
    EXPECT_EQ(BASS_ChannelIsActive(channel), BASS_ACTIVE_PLAYING);
    EXPECT_TRUE(BASS_Free());
    unsetenv("SDL_AUDIODRIVER");
    Logger::instance().close();

    std::ifstream log(logPath);
    int fallbackLines = 0;
    for (std::string line; std::getline(log, line);)
        if (line.find("Audio: no output device (") != std::string::npos) ++fallbackLines;
    EXPECT_EQ(fallbackLines, 1);
}

class BassBadFileTest : public BassTest {
protected:
    std::string bytes(const std::string& name, const std::string& content) { return dir_.write(name, content); }
    static void expectRefused(const std::string& path) {
        EXPECT_EQ(BASS_SampleLoad(0, path.c_str(), 0, 0, 1, 0), 0u) << path;
        EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_PRESCAN), 0u) << path;
    }
};

TEST_F(BassBadFileTest, MissingEmptyTruncatedCorruptAndDirectoriesAreRefused) {
    const std::string good = wav("good.wav", signals::noise(44100, 2, 1000), 2, 44100);
    const std::string wavData = dir_.read("good.wav");
    mp3("good.mp3", signals::tones({{440, 0.5}}, 44100, 44100, 2), 2, 44100);
    const std::string mp3Data = dir_.read("good.mp3");
    std::string garbage;
    for (const std::int16_t value : signals::noise(5000, 1, 32000)) garbage += static_cast<char>(value & 0x7F);

    expectRefused(dir_.file("missing.wav"));
    expectRefused(bytes("empty.wav", ""));
    expectRefused(bytes("empty.mp3", ""));
    expectRefused(bytes("header-only.wav", wavData.substr(0, 30)));
    expectRefused(bytes("cut.wav", wavData.substr(0, wavData.size() / 2)));
    expectRefused(bytes("cut.mp3", mp3Data.substr(0, mp3Data.size() / 2)));
    expectRefused(bytes("mp3-head.mp3", mp3Data.substr(0, 100)));
    expectRefused(bytes("garbage.wav", garbage));
    expectRefused(bytes("garbage.ogg", garbage));
    expectRefused(bytes("riff-garbage.wav", wavData.substr(0, 12) + garbage));
    expectRefused(bytes("id3-garbage.mp3", "ID3" + garbage));
    std::filesystem::create_directory(dir_.file("folder.wav"));
    std::filesystem::create_directory(dir_.file("folder.mp3"));
    expectRefused(dir_.file("folder.wav"));
    expectRefused(dir_.file("folder.mp3"));
    expectRefused(dir_.path().string());
}

// The content decides the decoder, not the name; but a sample takes no MPEG audio, so an MP3
// renamed ".wav" is refused (channel 0) while the same file loads as a stream.
TEST_F(BassBadFileTest, Mp3NamedWavIsRefusedAsASampleAndWavWithoutExtensionDecodesByContent) {
    const std::string asWav = dir_.file("really-an-mp3.wav");
    ASSERT_TRUE(writeMp3File(asWav, signals::tones({{440, 0.5}}, 12345, 44100, 2), 2, 44100));
    EXPECT_EQ(BASS_SampleLoad(0, asWav.c_str(), 0, 0, 1, 0), 0u);
    const HSTREAM asStream = stream(asWav);
    ASSERT_NE(asStream, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(asStream, BASS_POS_BYTE), 12345u * 4);

    const HSTREAM fromWav = stream(wav("no-extension", signals::noise(777, 1, 100), 1, 44100));
    ASSERT_NE(fromWav, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(fromWav, BASS_POS_BYTE), 777u * 2);
}

TEST_F(BassBadFileTest, OnlyWholeFilesAreLoaded) {
    const std::string path = wav("a.wav", signals::noise(100, 1, 100), 1, 44100);
    EXPECT_EQ(BASS_SampleLoad(0, path.c_str(), 4, 0, 1, 0), 0u);
    EXPECT_EQ(BASS_SampleLoad(1, path.c_str(), 0, 0, 1, 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 10, 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(0, nullptr, 0, 0, 0), 0u);
    EXPECT_NE(BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0), 0u);
}

}  // namespace
