// Signals for the audio tests (16-bit sines and noise) and a direct double precision DFT of the
// 512-frame window the audio layer analyses. Writes no files (support/WavWriter does).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace signals {

constexpr double kPi = 3.14159265358979323846;

struct Tone {
    double frequency;  // Hz
    double amplitude;  // fraction of 16-bit full scale
};

// Interleaved frames, every channel the same sum of sines.
inline std::vector<std::int16_t> tones(const std::vector<Tone>& parts, int frames, int rate, int channels) {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < frames; ++i) {
        double value = 0;
        for (const Tone& tone : parts) value += tone.amplitude * std::sin(2 * kPi * tone.frequency * i / rate);
        const auto sample = static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0, 1.0) * 32767));
        samples.insert(samples.end(), channels, sample);
    }
    return samples;
}

// Deterministic white noise (xorshift32) in [-amplitude, amplitude], independent per channel.
inline std::vector<std::int16_t> noise(int frames, int channels, int amplitude) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * channels);
    std::uint32_t state = 2463534242u;
    for (auto& sample : samples) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        sample = static_cast<std::int16_t>(static_cast<int>(state % (2u * amplitude + 1)) - amplitude);
    }
    return samples;
}

// |X[k]| * 2 / 512 for k < bins, of frames [first, first + 512) (zeros outside the data),
// channels averaged, under a periodic Hann window.
inline std::vector<double> referenceSpectrum(const std::vector<std::int16_t>& samples, int channels, long first,
                                             int bins = 256) {
    const long frames = static_cast<long>(samples.size()) / channels;
    std::vector<double> windowed(512), magnitudes;
    for (int n = 0; n < 512; ++n) {
        const long frame = first + n;
        for (int c = 0; frame >= 0 && frame < frames && c < channels; ++c)
            windowed[n] += samples[static_cast<std::size_t>(frame * channels + c)] / 32768.0 / channels;
        windowed[n] *= 0.5 - 0.5 * std::cos(2 * kPi * n / 512);
    }
    for (int k = 0; k < bins; ++k) {
        double re = 0, im = 0;
        for (int n = 0; n < 512; ++n) {
            re += windowed[n] * std::cos(2 * kPi * k * n / 512);
            im -= windowed[n] * std::sin(2 * kPi * k * n / 512);
        }
        magnitudes.push_back(std::sqrt(re * re + im * im) * 2 / 512);
    }
    return magnitudes;
}

}  // namespace signals
