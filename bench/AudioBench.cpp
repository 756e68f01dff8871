// Audio library costs: one spectrum request (what every frame of a demo pays), the start-up of
// a stream on a 5-minute MP3 until its first spectrum is available (what the loading phase
// pays), and the time until the same stream has decoded to its end, for comparison. The music is written
// with libsndfile at start-up into a temporary folder (encoding takes some seconds).
// Output: the manual clock, so no device or sleeping is involved.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <stdlib.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/Bass.h"

namespace {

constexpr int kRate = 44100;

// Music-like material: two slowly beating tones and a little noise, stereo.
std::vector<float> music(int seconds) {
    const std::size_t frames = static_cast<std::size_t>(seconds) * kRate;
    std::vector<float> samples(frames * 2);
    std::uint32_t state = 2463534242u;
    const double pi = std::acos(-1.0);
    for (std::size_t i = 0; i < frames; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const double t = static_cast<double>(i) / kRate;
        const double noise = (static_cast<double>(state % 2001) - 1000) / 1000 * 0.05;
        const double tones = 0.4 * std::sin(2 * pi * 220 * t) * std::sin(2 * pi * 0.25 * t) +
                             0.3 * std::sin(2 * pi * 1760 * t + std::sin(2 * pi * 3 * t));
        samples[2 * i] = static_cast<float>(tones + noise);
        samples[2 * i + 1] = static_cast<float>(tones - noise);
    }
    return samples;
}

bool write(const std::string& path, const std::vector<float>& samples, int format) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    const auto frames = static_cast<sf_count_t>(samples.size() / 2);
    const bool ok = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

// The benchmark's files, written once and removed at exit.
struct Files {
    std::string folder, fiveMinuteMp3, tenSecondWav;
    bool ok = false;
    Files() {
        std::string pattern = (std::filesystem::temp_directory_path() / "demo-audio-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) return;
        folder = pattern;
        fiveMinuteMp3 = folder + "/five-minutes.mp3";
        tenSecondWav = folder + "/ten-seconds.wav";
        std::fprintf(stderr, "writing a 5-minute MP3 for the start-up benchmark...\n");
        ok = write(fiveMinuteMp3, music(300), SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III) &&
             write(tenSecondWav, music(10), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    }
    ~Files() {
        std::error_code ec;
        if (!folder.empty()) std::filesystem::remove_all(folder, ec);
    }
};

const Files& files() {
    static const Files instance;
    return instance;
}

// BASS_Init with the manual clock for one benchmark; freed again at the end.
struct Library {
    bool ok;
    Library() {
        audio::setOutputMode(audio::OutputMode::Manual);
        audio::setManualPosition(0.0);
        ok = BASS_Init(-1, kRate, 0, nullptr, nullptr) != 0;
    }
    ~Library() { BASS_Free(); }
};

void BM_SpectrumRequest(benchmark::State& state) {
    if (!files().ok) return state.SkipWithError("cannot write the test music");
    Library library;
    const HSAMPLE sample = BASS_SampleLoad(0, files().tenSecondWav.c_str(), 0, 0, 1, 0);
    const HCHANNEL channel = sample ? BASS_SampleGetChannel(sample, 0) : 0;
    if (!library.ok || !channel || !BASS_ChannelPlay(channel, 0)) return state.SkipWithError("no channel");
    std::array<float, 256> bins{};
    double seconds = 0;
    for (auto _ : state) {
        // One 60 fps frame further each time, so the window moves over fresh data.
        audio::setManualPosition(seconds);
        seconds = seconds > 9.9 ? 0.0 : seconds + 1.0 / 60;
        if (BASS_ChannelGetData(channel, bins.data(), BASS_DATA_FFT512) == BASS_DATA_FAILED)
            return state.SkipWithError("spectrum failed");
        benchmark::DoNotOptimize(bins.data());
    }
}
BENCHMARK(BM_SpectrumRequest)->Unit(benchmark::kMicrosecond);

void BM_StreamStartupUntilFirstSpectrum5MinMp3(benchmark::State& state) {
    if (!files().ok) return state.SkipWithError("cannot write the test music");
    Library library;
    if (!library.ok) return state.SkipWithError("BASS_Init failed");
    std::array<float, 256> bins{};
    for (auto _ : state) {
        const HSTREAM stream = BASS_StreamCreateFile(0, files().fiveMinuteMp3.c_str(), 0, 0, BASS_STREAM_PRESCAN);
        if (!stream || !BASS_ChannelPlay(stream, 0) ||
            BASS_ChannelGetData(stream, bins.data(), BASS_DATA_FFT512) == BASS_DATA_FAILED)
            return state.SkipWithError("stream failed");
        state.PauseTiming();
        BASS_StreamFree(stream);  // stops the background decoder
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StreamStartupUntilFirstSpectrum5MinMp3)->Unit(benchmark::kMillisecond);

void BM_StreamDecodeToTheEnd5MinMp3(benchmark::State& state) {
    if (!files().ok) return state.SkipWithError("cannot write the test music");
    Library library;
    if (!library.ok) return state.SkipWithError("BASS_Init failed");
    std::array<float, 256> bins{};
    for (auto _ : state) {
        audio::setManualPosition(0.0);
        const HSTREAM stream = BASS_StreamCreateFile(0, files().fiveMinuteMp3.c_str(), 0, 0, BASS_STREAM_PRESCAN);
        if (!stream || !BASS_ChannelPlay(stream, 0)) return state.SkipWithError("stream failed");
        // The spectrum waits for the background decoder to reach the last frames.
        const double end = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE));
        audio::setManualPosition(end - 0.05);
        if (BASS_ChannelGetData(stream, bins.data(), BASS_DATA_FFT512) == BASS_DATA_FAILED)
            return state.SkipWithError("spectrum failed");
        state.PauseTiming();
        BASS_StreamFree(stream);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StreamDecodeToTheEnd5MinMp3)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
