// musicsynth, run as the build runs it: the file format and length, byte-for-byte
// repeatability, and a beat that moves the low, mid and high bands of the same 512-point Hann
// spectrum the audio-reactive tracks read.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "audio/AudioTestSignals.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace {

std::string littleEndian(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
    return out;
}

class MusicSynthTest : public ::testing::Test {
protected:
    ProcessResult synth(const std::string& args) {
        return runShell(buildProgram("musicsynth") + " " + args, dir.path().string());
    }
    TempDir dir;
};

TEST_F(MusicSynthTest, WritesTwoMinutesOfStereo16BitPcmAt44100HzRepeatably) {
    ASSERT_EQ(synth("a.wav").exitCode, 0);
    ASSERT_EQ(synth("b.wav").exitCode, 0);
    const std::string bytes = dir.read("a.wav");
    const std::uint32_t data = 120 * 44100 * 4;
    const std::string header = "RIFF" + littleEndian(36 + data, 4) + "WAVEfmt " + littleEndian(16, 4) +
                               littleEndian(1, 2) + littleEndian(2, 2) + littleEndian(44100, 4) +
                               littleEndian(44100 * 4, 4) + littleEndian(4, 2) + littleEndian(16, 2) + "data" +
                               littleEndian(data, 4);
    EXPECT_EQ(bytes.substr(0, 44), header);
    EXPECT_EQ(bytes.size(), 44u + data);
    EXPECT_TRUE(bytes == dir.read("b.wav")) << "two runs differ";
}

// The drop, bars 16..31 (32 s .. 64 s) at 120 BPM: a kick on every beat, a snare on every
// second, hats on the beat and the eighth after it. Bands as the tracks compute them: bins
// 1..3 x 1.5 (low), 5..19 x 1.5 (mid), 20..99 x 2 (high).
TEST_F(MusicSynthTest, KickSnareAndHatsDriveTheLowMidAndHighBands) {
    ASSERT_EQ(synth("a.wav").exitCode, 0);
    const std::string bytes = dir.read("a.wav");
    std::vector<std::int16_t> samples((bytes.size() - 44) / 2);
    std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
    int peak = 0;
    for (const std::int16_t s : samples) peak = std::max(peak, std::abs(int{s}));
    EXPECT_GT(peak, 0.7 * 32768) << "loud";
    EXPECT_LT(peak, 0.95 * 32768) << "but not clipped";

    struct Bands {
        double low = 0, mid = 0, high = 0;
    };
    auto bandsAt = [&](double seconds) {
        const auto bins = signals::referenceSpectrum(samples, 2, std::lround(seconds * 44100), 100);
        Bands b;
        for (int k = 1; k <= 3; ++k) b.low += bins[k] * 1.5;
        for (int k = 5; k <= 19; ++k) b.mid += bins[k] * 1.5;
        for (int k = 20; k < 100; ++k) b.high += bins[k] * 2.0;
        return b;
    };
    const double window = 512.0 / 44100, offset = 64.0 / 44100;
    Bands on, before;  // summed over the section
    double midOnSnare = 0, midOnKick = 0;
    for (int beat = 64; beat < 128; ++beat) {
        const double t = beat * 0.5;
        const Bands beatOn = bandsAt(t + offset), beatBefore = bandsAt(t - window - offset);
        const Bands eighthOn = bandsAt(t + 0.25 + offset), eighthBefore = bandsAt(t + 0.25 - window - offset);
        on.low += beatOn.low;
        before.low += beatBefore.low;
        (beat % 2 == 1 ? midOnSnare : midOnKick) += beatOn.mid;
        on.high += beatOn.high + eighthOn.high;
        before.high += beatBefore.high + eighthBefore.high;
    }
    EXPECT_GT(on.low, 4.0 * before.low) << on.low / 64 << " vs " << before.low / 64;
    double quietLow = 0;  // the intro's first bars and the breakdown have no kick
    for (int beat : {0, 4, 8, 12, 128, 132, 136, 140, 144, 148, 152, 156}) quietLow += bandsAt(beat * 0.5 + offset).low;
    EXPECT_LT(quietLow / 12, 0.1 * on.low / 64);
    EXPECT_GT(midOnSnare, 2.0 * midOnKick) << midOnSnare / 32 << " vs " << midOnKick / 32;
    EXPECT_GT(on.high, 4.0 * before.high) << on.high / 128 << " vs " << before.high / 128;
    // Large enough to move a track with an audio amount of 1.
    EXPECT_GT(on.low / 64, 0.1);
    EXPECT_GT(midOnSnare / 32, 0.1);
    EXPECT_GT(on.high / 128, 0.1);
}

TEST_F(MusicSynthTest, ShorterLengthsAndBadArguments) {
    ASSERT_EQ(synth("c.wav --seconds 2").exitCode, 0);
    EXPECT_EQ(dir.read("c.wav").size(), 44u + 2u * 44100u * 4u);
    for (const char* args : {"", "--seconds 0 x.wav", "x.wav --seconds abc", "x.wav y.wav"}) {
        const ProcessResult run = synth(args);
        EXPECT_EQ(run.exitCode, 2) << args << "\n" << run.err;
        EXPECT_NE(run.err.find("musicsynth"), std::string::npos) << args;
    }
    EXPECT_EQ(synth("/nonexistent-folder/x.wav").exitCode, 1);
}

}  // namespace
