// musicsynth, run as the build runs it: the file format and length, byte-for-byte
// repeatability, and a beat that moves the audio layer's low, mid and high bands (the same
// 512-point Hann spectrum and the same bins the audio-reactive tracks read).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace {

constexpr int kRate = 44100;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::uint32_t u32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
std::uint16_t u16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

class MusicSynthTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir();
        const ProcessResult run = runProcess({buildProgram("musicsynth"), dir_->file("a.wav")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        bytes_ = new std::string(readFile(dir_->file("a.wav")));
    }
    static void TearDownTestSuite() {
        delete bytes_;
        delete dir_;
    }

    // Mono samples (channels averaged) from the 16-bit stereo data chunk.
    static std::vector<float> mono() {
        std::vector<float> samples;
        const std::size_t data = 44;
        const std::size_t frames = (bytes_->size() - data) / 4;
        samples.reserve(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            const auto l = static_cast<std::int16_t>(u16(*bytes_, data + i * 4));
            const auto r = static_cast<std::int16_t>(u16(*bytes_, data + i * 4 + 2));
            samples.push_back((static_cast<float>(l) + static_cast<float>(r)) / 2.0f / 32768.0f);
        }
        return samples;
    }

    // The band levels the keyframe tracks compute from a 512-frame spectrum starting at `first`:
    // |X[k]| * 2 / 512 under a Hann window; low = bins 1..3, mid = 5..19, high = 20..99.
    struct Bands {
        double low = 0, mid = 0, high = 0;
    };
    static Bands bandsAt(const std::vector<float>& s, long first) {
        constexpr int n = 512;
        constexpr double pi = 3.14159265358979323846;
        std::vector<double> windowed(n);
        for (int i = 0; i < n; ++i) {
            windowed[i] = s[static_cast<std::size_t>(first + i)] * (0.5 - 0.5 * std::cos(2.0 * pi * i / (n - 1)));
        }
        Bands b;
        for (int k = 1; k < 100; ++k) {
            double re = 0, im = 0;
            for (int i = 0; i < n; ++i) {
                re += windowed[i] * std::cos(2.0 * pi * k * i / n);
                im -= windowed[i] * std::sin(2.0 * pi * k * i / n);
            }
            const double magnitude = std::sqrt(re * re + im * im) * 2.0 / n;
            if (k <= 3) b.low += magnitude * 1.5;
            else if (k >= 5 && k <= 19) b.mid += magnitude * 1.5;
            else if (k >= 20) b.high += magnitude * 2.0;
        }
        return b;
    }

    static TempDir* dir_;
    static std::string* bytes_;
};

TempDir* MusicSynthTest::dir_ = nullptr;
std::string* MusicSynthTest::bytes_ = nullptr;

long sampleOf(double seconds) { return std::lround(seconds * kRate); }

}  // namespace

TEST_F(MusicSynthTest, WritesSixtySecondsOfStereo16BitPcmAt44100Hz) {
    const std::string& b = *bytes_;
    ASSERT_GE(b.size(), 44u);
    EXPECT_EQ(b.substr(0, 4), "RIFF");
    EXPECT_EQ(u32(b, 4), b.size() - 8);
    EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(u32(b, 16), 16u);
    EXPECT_EQ(u16(b, 20), 1u);       // PCM
    EXPECT_EQ(u16(b, 22), 2u);       // stereo
    EXPECT_EQ(u32(b, 24), 44100u);
    EXPECT_EQ(u32(b, 28), 44100u * 4);
    EXPECT_EQ(u16(b, 32), 4u);
    EXPECT_EQ(u16(b, 34), 16u);
    EXPECT_EQ(b.substr(36, 4), "data");
    EXPECT_EQ(u32(b, 40), 60u * 44100u * 4u);
    EXPECT_EQ(b.size(), 44u + 60u * 44100u * 4u);

    // Loud but not clipped, and not silent anywhere in the middle of a bar.
    const std::vector<float> s = mono();
    float peak = 0;
    for (float v : s) peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.7f);
    EXPECT_LT(peak, 0.95f);
}

TEST_F(MusicSynthTest, TheSameRunGivesTheSameBytes) {
    const ProcessResult run = runProcess({buildProgram("musicsynth"), dir_->file("b.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(readFile(dir_->file("b.wav")) == *bytes_);
}

TEST_F(MusicSynthTest, KickSnareAndHatsDriveTheLowMidAndHighBands) {
    const std::vector<float> s = mono();
    // The full section: bars 4..19 (8 s .. 40 s) at 120 BPM, a beat every 0.5 s.
    double lowOnBeat = 0, lowBeforeBeat = 0, midOnSnare = 0, midOnKick = 0, highOnHat = 0, highBeforeHat = 0;
    int beats = 0;
    for (int beat = 16; beat < 80; ++beat) {
        const long onset = sampleOf(beat * 0.5);
        const Bands on = bandsAt(s, onset + 64);
        const Bands before = bandsAt(s, onset - 512 - 64);
        lowOnBeat += on.low;
        lowBeforeBeat += before.low;
        (beat % 2 == 1 ? midOnSnare : midOnKick) += on.mid;
        // Hats: on the beat and on the eighth after it.
        const long offbeat = sampleOf(beat * 0.5 + 0.25);
        highOnHat += on.high + bandsAt(s, offbeat + 64).high;
        highBeforeHat += before.high + bandsAt(s, offbeat - 512 - 64).high;
        ++beats;
    }
    EXPECT_GT(lowOnBeat, 4.0 * lowBeforeBeat) << lowOnBeat / beats << " vs " << lowBeforeBeat / beats;
    EXPECT_GT(midOnSnare, 2.0 * midOnKick) << midOnSnare / beats << " vs " << midOnKick / beats;
    EXPECT_GT(highOnHat, 4.0 * highBeforeHat) << highOnHat / beats << " vs " << highBeforeHat / beats;
    // And the bands are large enough to move a track with an audio amount of 1.
    EXPECT_GT(lowOnBeat / beats, 0.1);
    EXPECT_GT(midOnSnare / (beats / 2), 0.1);
    EXPECT_GT(highOnHat / (2 * beats), 0.1);
}

TEST_F(MusicSynthTest, ShorterLengthsAndBadArguments) {
    const ProcessResult shortRun = runProcess({buildProgram("musicsynth"), dir_->file("c.wav"), "--seconds", "2"});
    ASSERT_EQ(shortRun.exitCode, 0) << shortRun.err;
    EXPECT_EQ(readFile(dir_->file("c.wav")).size(), 44u + 2u * 44100u * 4u);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"--seconds", "0", "x.wav"}, {"x.wav", "--seconds", "abc"}, {"x.wav", "y.wav"}}) {
        std::vector<std::string> argv = {buildProgram("musicsynth")};
        argv.insert(argv.end(), args.begin(), args.end());
        ProcessOptions options;
        options.workingDirectory = dir_->path();
        const ProcessResult run = runProcess(argv, options);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_NE(run.err.find("musicsynth"), std::string::npos);
    }
    const ProcessResult unwritable = runProcess({buildProgram("musicsynth"), "/nonexistent-folder/x.wav"});
    EXPECT_EQ(unwritable.exitCode, 1);
}
