// Spectrum: FFTW buffers and plan (FFTW_ESTIMATE: no timing runs, the same plan every time),
// the window table and the mono mix-down of 16-bit frames.
#include "Spectrum.h"

#include <fftw3.h>

#include <cmath>

#include "Bass.h"

namespace audio {

struct Spectrum::Plan {
    float* input = nullptr;
    fftwf_complex* output = nullptr;
    fftwf_plan plan = nullptr;
    ~Plan() {
        if (plan) fftwf_destroy_plan(plan);
        if (output) fftwf_free(output);
        if (input) fftwf_free(input);
    }
};

Spectrum::Spectrum() : plan_(std::make_unique<Plan>()) {
    plan_->input = static_cast<float*>(fftwf_malloc(sizeof(float) * kSize));
    plan_->output = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * (kSize / 2 + 1)));
    if (plan_->input && plan_->output)
        plan_->plan = fftwf_plan_dft_r2c_1d(kSize, plan_->input, plan_->output, FFTW_ESTIMATE);
    // Periodic Hann (denominator N, not N - 1): the window a spectrum of a periodic signal needs.
    const double pi = std::acos(-1.0);
    for (int n = 0; n < kSize; ++n)
        window_[static_cast<std::size_t>(n)] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * pi * n / kSize));
}

Spectrum::~Spectrum() = default;

bool Spectrum::valid() const { return plan_->plan != nullptr; }

void Spectrum::compute(const PcmBuffer& pcm, std::int64_t first, float* out) {
    const int channels = pcm.format().channels;
    const auto ready = static_cast<std::int64_t>(pcm.ready());
    // 16-bit full scale to 1.0, and the channel average, in one factor.
    const float scale = 1.0f / (32768.0f * static_cast<float>(channels));
    for (int n = 0; n < kSize; ++n) {
        const std::int64_t frame = first + n;
        float sum = 0.0f;
        if (frame >= 0 && frame < ready) {
            const std::int16_t* samples = pcm.frame(static_cast<std::uint64_t>(frame));
            for (int c = 0; c < channels; ++c) sum += static_cast<float>(samples[c]);
        }
        plan_->input[n] = sum * scale * window_[static_cast<std::size_t>(n)];
    }
    fftwf_execute(plan_->plan);
    for (int k = 0; k < kBins; ++k) {
        const float re = plan_->output[k][0];
        const float im = plan_->output[k][1];
        out[k] = std::sqrt(re * re + im * im) * kSpectrumScale;
    }
}

}  // namespace audio
