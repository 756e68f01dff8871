// Magnitude spectrum of 512 frames: channels averaged to mono, periodic Hann window, real FFT
// (FFTW3 single precision), 256 values |X[k]| * 2 / 512, so a full-scale sine centred on a bin
// reads 0.5 and nothing exceeds 1. Frames before 0 or past the decoded data read as zeros.
// The FFTW plan is made in the constructor: FFTW's planner is not thread-safe, so build and use
// this on the main thread only. Does not wait for decoding (Bass.cpp does).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "PcmBuffer.h"

namespace audio {

class Spectrum {
public:
    static constexpr int kSize = 512;
    static constexpr int kBins = kSize / 2;

    Spectrum();
    ~Spectrum();
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    // False when FFTW could not make its plan.
    bool valid() const;
    // Writes kBins magnitudes of frames [first, first + kSize) of `pcm` to `out`.
    void compute(const PcmBuffer& pcm, std::int64_t first, float* out);

private:
    struct Plan;
    std::unique_ptr<Plan> plan_;
    std::array<float, kSize> window_{};
};

}  // namespace audio
