// Music made by real encoders (ffmpeg, run at test time) decodes at the level it was made at:
// a tone, silence and a second tone in each format we read, compared with the known signal in
// sample level (RMS per part) and in the three spectrum bands that drive audio-reactive tracks.
// A float file whose samples exceed full scale clips instead of being scaled down.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "AudioTestSignals.h"
#include "audio/Decoder.h"
#include "audio/Spectrum.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace {

// 0.5 s of 700 Hz at `loud`, 0.25 s of silence, 0.25 s of 3 kHz at 0.25; one second in all.
// At 22.05, 44.1 and 48 kHz the first tone falls in the mid band, the second in the high band.
double knownSignal(double t, double loud) {
    const double value = t < 0.5    ? loud * std::sin(2 * signals::kPi * 700 * t)
                         : t < 0.75 ? 0.0
                                    : 0.25 * std::sin(2 * signals::kPi * 3000 * t);
    return std::clamp(value, -1.0, 1.0);
}

// The low, mid and high band levels of audio-reactive tracks from 256 magnitude bins.
std::vector<double> bands(const std::vector<double>& b) {
    double low = 0, mid = 0, high = 0;
    for (int i = 1; i <= 3; ++i) low += b[i];
    for (int i = 5; i <= 19; ++i) mid += b[i];
    for (int i = 20; i <= 99; ++i) high += b[i];
    return {low * 1.5, mid * 1.5, high * 2.0};
}

double rms(const std::vector<std::int16_t>& samples, long from, long to) {
    double sum = 0;
    for (long i = from; i < to; ++i) sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(to - from)) / 32767;
}

TEST(EncodedLevelsTest, EveryFormatDecodesAtTheLevelOfTheKnownSignal) {
    const struct {
        const char* name;
        const char* encoder;
        int rate, channels;
        double loud;  // amplitude of the first tone; above 1 the file holds samples beyond full scale
        double tolerance;  // relative: lossy codecs change the level a little
    } formats[] = {
        {"u8.wav", "-c:a pcm_u8", 22050, 1, 0.35, 0.01},
        {"s16.wav", "-c:a pcm_s16le", 44100, 2, 0.35, 0.01},
        {"s24.wav", "-c:a pcm_s24le", 48000, 1, 0.35, 0.01},
        {"f32.wav", "-c:a pcm_f32le", 44100, 2, 0.35, 0.01},
        {"f64.wav", "-c:a pcm_f64le", 22050, 1, 0.35, 0.01},
        {"f32.aiff", "-c:a pcm_f32be", 44100, 2, 0.35, 0.01},
        {"s16.flac", "-c:a flac -sample_fmt s16", 48000, 2, 0.35, 0.01},
        {"s24.flac", "-c:a flac -sample_fmt s32", 44100, 1, 0.35, 0.01},
        {"vorbis.ogg", "-c:a libvorbis", 44100, 2, 0.35, 0.08},
        {"vorbis-mono.ogg", "-c:a libvorbis", 22050, 1, 0.35, 0.08},
        {"opus.ogg", "-c:a libopus", 48000, 2, 0.35, 0.08},
        {"vbr.mp3", "-c:a libmp3lame -q:a 2 -id3v2_version 3 -write_id3v1 1 -metadata title=T", 44100, 2, 0.35, 0.08},
        {"cbr.mp3", "-c:a libmp3lame -b:a 64k", 22050, 1, 0.35, 0.08},
        {"over.wav", "-c:a pcm_f32le", 44100, 1, 1.5, 0.01},
        {"over.ogg", "-c:a libvorbis", 44100, 2, 1.5, 0.08},
        {"over.opus", "-c:a libopus", 48000, 1, 1.5, 0.08},
    };
    const TempDir dir;
    audio::Spectrum spectrum;
    ASSERT_TRUE(spectrum.valid());
    for (const auto& format : formats) {
        SCOPED_TRACE(format.name);
        std::string tone = std::to_string(format.loud);
        tone += "*sin(2*PI*700*t)*lt(t,0.5)+0.25*sin(2*PI*3000*t)*gte(t,0.75)";
        std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i \"aevalsrc=exprs='";
        command += format.channels == 1 ? tone : tone + "|" + tone;
        command += "':s=" + std::to_string(format.rate) + ":d=1\" ";
        command += format.encoder;
        command += " ";
        command += format.name;
        const ProcessResult made = runShell(command, dir.path().string());
        ASSERT_EQ(made.exitCode, 0) << made.err;

        std::string error;
        const auto decoder = audio::openDecoder(dir.file(format.name), error);
        ASSERT_TRUE(decoder) << error;
        ASSERT_EQ(decoder->format().rate, format.rate);
        ASSERT_EQ(decoder->format().channels, format.channels);
        const auto pcm = audio::PcmBuffer::create(decoder->format());
        ASSERT_TRUE(pcm);
        audio::decodeInto(*decoder, *pcm, pcm->format().frames);
        ASSERT_GE(pcm->ready(), std::uint64_t(format.rate) * 99 / 100);
        const std::int16_t* first = pcm->frame(0);
        const std::vector<std::int16_t> decoded(first, first + pcm->ready() * format.channels);

        std::vector<std::int16_t> known;
        for (int i = 0; i < format.rate; ++i)
            known.push_back(std::int16_t(std::lround(knownSignal(double(i) / format.rate, format.loud) * 32767)));

        // Each part away from its edges (20 ms), and the spectrum at its centre.
        const std::pair<double, double> parts[] = {{0.02, 0.48}, {0.52, 0.73}, {0.77, 0.98}};
        for (const auto& [from, to] : parts) {
            const long a = std::lround(from * format.rate), b = std::lround(to * format.rate);
            EXPECT_NEAR(rms(decoded, a * format.channels, b * format.channels), rms(known, a, b),
                        format.tolerance * rms(known, a, b) + 0.003)
                << "RMS over " << from << "-" << to << " s";
            const long centre = (a + b) / 2 - audio::Spectrum::kSize / 2;
            std::vector<float> bins(audio::Spectrum::kBins);
            spectrum.compute(*pcm, centre, bins.data());
            const auto got = bands({bins.begin(), bins.end()});
            const auto want = bands(signals::referenceSpectrum(known, 1, centre));
            for (int band = 0; band < 3; ++band)
                EXPECT_NEAR(got[band], want[band], format.tolerance * want[band] + 0.02)
                    << "band " << band + 1 << " at " << (from + to) / 2 << " s";
        }
    }
}

}  // namespace
