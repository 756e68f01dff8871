// Signals and reference numbers shared by the audio tests: 16-bit sines and noise, a direct
// (slow, double precision) DFT of the same 512-frame window the library uses, and the
// analytic Hann response for tone magnitudes. Does not write files (support/WavWriter does).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace signals {

constexpr double kPi = 3.14159265358979323846;

// Interleaved 16-bit frames, every channel the same: sum of sines (frequency Hz, amplitude
// as a fraction of 16-bit full scale 32767).
struct Tone {
    double frequency;
    double amplitude;
};
inline std::vector<std::int16_t> tones(const std::vector<Tone>& parts, int frames, int rate, int channels) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        double value = 0;
        for (const Tone& tone : parts) value += tone.amplitude * std::sin(2 * kPi * tone.frequency * i / rate);
        const auto sample = static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0, 1.0) * 32767));
        for (int c = 0; c < channels; ++c) samples[static_cast<std::size_t>(i) * channels + c] = sample;
    }
    return samples;
}

// Deterministic white noise (xorshift32) in [-amplitude, amplitude], independent per channel.
inline std::vector<std::int16_t> noise(int frames, int channels, int amplitude, std::uint32_t seed = 2463534242u) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * channels);
    std::uint32_t state = seed;
    for (auto& sample : samples) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        sample = static_cast<std::int16_t>(static_cast<int>(state % (2u * amplitude + 1)) - amplitude);
    }
    return samples;
}

// |X[k]| * 2 / 512 for k = 0..255 of frames [first, first + 512) (zeros outside the data),
// channels averaged, periodic Hann window; computed directly in double precision.
inline std::vector<double> referenceSpectrum(const std::vector<std::int16_t>& samples, int channels, long first) {
    const long frames = static_cast<long>(samples.size()) / channels;
    std::vector<double> windowed(512);
    for (int n = 0; n < 512; ++n) {
        const long frame = first + n;
        double sum = 0;
        if (frame >= 0 && frame < frames)
            for (int c = 0; c < channels; ++c) sum += samples[static_cast<std::size_t>(frame * channels + c)];
        windowed[static_cast<std::size_t>(n)] = sum / channels / 32768.0 * (0.5 - 0.5 * std::cos(2 * kPi * n / 512));
    }
    std::vector<double> magnitudes(256);
    for (int k = 0; k < 256; ++k) {
        double re = 0, im = 0;
        for (int n = 0; n < 512; ++n) {
            re += windowed[static_cast<std::size_t>(n)] * std::cos(2 * kPi * k * n / 512);
            im -= windowed[static_cast<std::size_t>(n)] * std::sin(2 * kPi * k * n / 512);
        }
        magnitudes[static_cast<std::size_t>(k)] = std::sqrt(re * re + im * im) * 2 / 512;
    }
    return magnitudes;
}

// Magnitude of the Hann window's transform `d` bins away from a tone, relative to the centre
// (1 at d = 0, 0.5 at d = 1, 0 from d = 2 on at whole bins): sinc(d) / (1 - d^2).
inline double hannResponse(double d) {
    d = std::fabs(d);
    if (d < 1e-9) return 1.0;
    if (std::fabs(d - 1) < 1e-9) return 0.5;
    return std::fabs(std::sin(kPi * d) / (kPi * d) / (1 - d * d));
}

// Bin of frequency `hz` at 44.1 kHz with 512-point transforms (about 86.13 Hz per bin).
inline double binOf(double hz) { return hz * 512 / 44100.0; }

}  // namespace signals
