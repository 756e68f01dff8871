// PcmBuffer: the up-front allocation (left uninitialised, so a long file costs no start-up time
// for zeroing) and the bounded wait of readers on the main thread.
#include "PcmBuffer.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>

namespace audio {

namespace {
// About 6.7 hours of 44.1 kHz stereo: larger lengths come from broken headers, not music.
constexpr std::uint64_t kMaxSamples = std::uint64_t{1} << 30;
}  // namespace

std::unique_ptr<PcmBuffer> PcmBuffer::create(const PcmFormat& format) {
    if (format.rate <= 0 || format.channels <= 0 || format.frames == 0) return nullptr;
    const std::uint64_t samples = format.frames * static_cast<std::uint64_t>(format.channels);
    if (samples / static_cast<std::uint64_t>(format.channels) != format.frames || samples > kMaxSamples)
        return nullptr;
    std::unique_ptr<PcmBuffer> buffer(new (std::nothrow) PcmBuffer(format));
    if (!buffer) return nullptr;
    buffer->samples_.reset(new (std::nothrow) std::int16_t[samples]);
    if (!buffer->samples_) return nullptr;
    return buffer;
}

void PcmBuffer::finish() {
    const std::uint64_t done = ready_.load(std::memory_order_relaxed);
    if (done < format_.frames)
        std::fill(frame(done), frame(format_.frames), std::int16_t{0});
    ready_.store(format_.frames, std::memory_order_release);
    finished_.store(true, std::memory_order_release);
}

bool PcmBuffer::waitUntilReady(std::uint64_t frames, int timeoutMs) const {
    frames = std::min(frames, format_.frames);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (ready() < frames && !finished()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return ready() >= frames;
}

}  // namespace audio
