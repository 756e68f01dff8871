// Decoded audio of one file: 16-bit interleaved PCM at the file's own rate, allocated at its
// exact final length up front. One decoder fills it front to back and publishes how many frames
// are ready; readers (the mixer callback, the spectrum) touch only published frames, so nobody
// needs a lock and the memory never moves. Does not decode, resample or mix.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>

namespace audio {

struct PcmFormat {
    int rate = 0;
    int channels = 0;
    std::uint64_t frames = 0;  // exact length, known before decoding starts
};

class PcmBuffer {
public:
    // Null when the format is unusable or the memory cannot be had.
    static std::unique_ptr<PcmBuffer> create(const PcmFormat& format);

    const PcmFormat& format() const { return format_; }
    // Length in bytes of the 16-bit data: frames x channels x 2.
    std::uint64_t bytes() const { return format_.frames * static_cast<std::uint64_t>(format_.channels) * 2; }

    std::int16_t* frame(std::uint64_t index) { return samples_.get() + index * format_.channels; }
    const std::int16_t* frame(std::uint64_t index) const { return samples_.get() + index * format_.channels; }

    // Frames [0, ready()) are decoded and never change again.
    std::uint64_t ready() const { return ready_.load(std::memory_order_acquire); }
    // Writer only: frames [0, frames) are now decoded.
    void publish(std::uint64_t frames) { ready_.store(frames, std::memory_order_release); }
    // Writer only: no more data will come. Frames never decoded become silence and are published.
    void finish();
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Main thread: waits until `frames` are ready or decoding has finished, at most `timeoutMs`.
    // Returns whether they are ready.
    bool waitUntilReady(std::uint64_t frames, int timeoutMs) const;

    // Writer only, before finish(): the file changed while it was being decoded, so the frames
    // from ready() on are not its music (they become silence).
    void markSourceChanged() { sourceEnd_.store(ready(), std::memory_order_release); }
    // Where the file's own audio ends: format().frames unless the source changed.
    std::uint64_t sourceEnd() const { return std::min(sourceEnd_.load(std::memory_order_acquire), format_.frames); }
    bool sourceChanged() const { return sourceEnd() < format_.frames; }

private:
    explicit PcmBuffer(const PcmFormat& format) : format_(format) {}
    PcmFormat format_;
    std::unique_ptr<std::int16_t[]> samples_;
    std::atomic<std::uint64_t> ready_{0};
    std::atomic<bool> finished_{false};
    std::atomic<std::uint64_t> sourceEnd_{~std::uint64_t{0}};
};

}  // namespace audio
