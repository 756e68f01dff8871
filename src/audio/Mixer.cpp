// Mixer: slot handover without locks (a voice is detached by clearing its slot, then waiting
// until no render() is running, which a render that started later can no longer see), the
// resampling loop, and the sequence-counted publication of block positions.
#include "Mixer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace audio {

bool Mixer::attach(Voice& voice) {
    for (auto& slot : voices_) {
        if (slot.load() == nullptr) {
            slot.store(&voice);
            return true;
        }
    }
    return false;
}

void Mixer::detach(Voice& voice) {
    for (auto& slot : voices_) {
        if (slot.load() == &voice) slot.store(nullptr);
    }
    // Both sides use sequentially consistent order: either render() saw the cleared slot, or
    // this load sees it running and waits it out.
    while (rendering_.load()) std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void Mixer::mixVoice(Voice& voice, float* out, int frames) const {
    const PcmBuffer& pcm = voice.pcm;
    const std::uint64_t length = pcm.format().frames;
    const int channels = pcm.format().channels;
    const auto sourceRate = static_cast<std::uint32_t>(pcm.format().rate);
    const auto deviceRate = static_cast<std::uint32_t>(rate_);
    // Frames the decoder has not reached yet play as silence: the callback cannot wait.
    const std::uint64_t ready = pcm.ready();
    const float gain = voice.volume.load(std::memory_order_relaxed) / 32768.0f;
    const float phaseScale = 1.0f / static_cast<float>(deviceRate);

    auto sampleAt = [&](std::uint64_t frame, int channel) -> float {
        return frame < ready ? static_cast<float>(pcm.frame(frame)[channel]) : 0.0f;
    };

    std::uint64_t frame = voice.cursorFrame;
    std::uint32_t phase = voice.cursorPhase;
    const int right = channels > 1 ? 1 : 0;
    for (int i = 0; i < frames && frame < length; ++i) {
        const std::uint64_t next = frame + 1 < length ? frame + 1 : frame;
        const float t = static_cast<float>(phase) * phaseScale;
        const float left0 = sampleAt(frame, 0);
        const float right0 = sampleAt(frame, right);
        out[2 * i] += (left0 + (sampleAt(next, 0) - left0) * t) * gain;
        out[2 * i + 1] += (right0 + (sampleAt(next, right) - right0) * t) * gain;
        // Exact rational stepping: the phase counts source frames in units of 1/deviceRate.
        phase += sourceRate;
        while (phase >= deviceRate) {
            phase -= deviceRate;
            ++frame;
        }
    }
    if (frame >= length) {
        frame = length;
        phase = 0;
    }
    voice.cursorFrame = frame;
    voice.cursorPhase = phase;
}

void Mixer::render(float* out, int frames, std::int64_t nowNs) {
    rendering_.store(true);
    std::fill(out, out + 2 * static_cast<std::ptrdiff_t>(frames), 0.0f);

    // Block positions are gathered first and published together, so a reader never sees
    // one voice's new block with the previous callback's time.
    std::array<Voice*, kMaxVoices> mixed{};
    std::array<std::uint64_t, kMaxVoices> startTicks{};
    std::array<std::uint64_t, kMaxVoices> endTicks{};
    std::array<std::uint32_t, kMaxVoices> generations{};
    const auto rate = static_cast<std::uint64_t>(rate_);
    for (int i = 0; i < kMaxVoices; ++i) {
        Voice* voice = voices_[static_cast<std::size_t>(i)].load();
        if (!voice) continue;
        const std::uint32_t generation = voice->generation.load(std::memory_order_acquire);
        if (generation == 0) continue;
        if (generation != voice->mixedGeneration) {
            voice->mixedGeneration = generation;
            voice->cursorFrame = 0;
            voice->cursorPhase = 0;
        }
        const auto slot = static_cast<std::size_t>(i);
        mixed[slot] = voice;
        generations[slot] = generation;
        startTicks[slot] = voice->cursorFrame * rate + voice->cursorPhase;
        mixVoice(*voice, out, frames);
        endTicks[slot] = voice->cursorFrame * rate + voice->cursorPhase;
    }
    for (int i = 0; i < 2 * frames; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);

    // Release stores after the odd count: a reader that sees any new value also sees the odd
    // (or a later) count on its second look, and retries.
    const std::uint32_t sequence = sequence_.load(std::memory_order_relaxed);
    sequence_.store(sequence + 1, std::memory_order_relaxed);
    for (std::size_t i = 0; i < mixed.size(); ++i) {
        if (!mixed[i]) continue;
        mixed[i]->blockGeneration.store(generations[i], std::memory_order_release);
        mixed[i]->blockStartTicks.store(startTicks[i], std::memory_order_release);
        mixed[i]->blockEndTicks.store(endTicks[i], std::memory_order_release);
    }
    renderNs_.store(nowNs, std::memory_order_release);
    sequence_.store(sequence + 2, std::memory_order_release);

    rendering_.store(false);
}

std::int64_t Mixer::audibleFrame(const Voice& voice, std::int64_t nowNs) const {
    std::uint32_t generation = 0;
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::int64_t renderNs = 0;
    for (;;) {
        const std::uint32_t before = sequence_.load(std::memory_order_acquire);
        generation = voice.blockGeneration.load(std::memory_order_acquire);
        start = voice.blockStartTicks.load(std::memory_order_acquire);
        end = voice.blockEndTicks.load(std::memory_order_acquire);
        renderNs = renderNs_.load(std::memory_order_acquire);
        if ((before & 1) == 0 && sequence_.load(std::memory_order_relaxed) == before) break;
        std::this_thread::yield();
    }
    if (generation == 0 || generation != voice.generation.load(std::memory_order_acquire)) return 0;
    const double rate = static_cast<double>(rate_);
    const double elapsed = static_cast<double>(std::max<std::int64_t>(0, nowNs - renderNs)) * 1e-9;
    const double startFrame = static_cast<double>(start) / rate;
    const double endFrame = static_cast<double>(end) / rate;
    const double frame = std::min(startFrame + elapsed * voice.pcm.format().rate, endFrame);
    return static_cast<std::int64_t>(std::floor(frame));
}

}  // namespace audio
