// Sound through SDL2: opens the default device as stereo float (SDL converts when the hardware
// wants another sample format; the rate it offers is used as is and the Mixer resamples to it)
// and feeds it from the Mixer on SDL's callback thread. Positions come from the Mixer, kept
// from ever going backwards. Does not fall back to silence itself: BASS_Init does that.
#include <SDL.h>

#include <algorithm>

#include "Mixer.h"
#include "Output.h"

namespace audio {

namespace {

// 1024 frames (23 ms at 44.1 kHz): short enough for tight audio-visual sync, long enough not to
// underrun while the demo's main thread is busy.
constexpr Uint16 kBufferFrames = 1024;

class DeviceOutput final : public Output {
public:
    ~DeviceOutput() override {
        if (device_ != 0) SDL_CloseAudioDevice(device_);  // waits for a running callback
        if (subsystemUp_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    bool open(int rate, std::string& error) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            error = std::string("SDL audio unavailable: ") + SDL_GetError();
            return false;
        }
        subsystemUp_ = true;
        SDL_AudioSpec wanted{};
        wanted.freq = rate;
        wanted.format = AUDIO_F32SYS;
        wanted.channels = 2;
        wanted.samples = kBufferFrames;
        wanted.callback = &DeviceOutput::callback;
        wanted.userdata = this;
        SDL_AudioSpec obtained{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (device_ == 0) {
            error = std::string("no audio device opens: ") + SDL_GetError();
            return false;
        }
        // The device starts paused, so the mixer exists before the first callback.
        mixer_ = std::make_unique<Mixer>(obtained.freq);
        const char* driver = SDL_GetCurrentAudioDriver();
        description_ = std::string("SDL ") + (driver ? driver : "audio") + ", " +
                       std::to_string(obtained.freq) + " Hz, " + std::to_string(obtained.samples) +
                       " frames per buffer";
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    bool attach(Voice& voice) override { return mixer_->attach(voice); }
    void detach(Voice& voice) override { mixer_->detach(voice); }
    void start(Voice& voice) override {
        voice.lastReportedFrame = 0;
        voice.generation.fetch_add(1, std::memory_order_release);
    }
    std::int64_t audibleFrame(Voice& voice) override {
        const std::int64_t frame = mixer_->audibleFrame(voice, steadyNowNs());
        voice.lastReportedFrame = std::max(voice.lastReportedFrame, frame);
        return voice.lastReportedFrame;
    }
    const char* name() const override { return description_.c_str(); }

private:
    static void SDLCALL callback(void* self, Uint8* stream, int bytes) {
        auto* output = static_cast<DeviceOutput*>(self);
        const int frames = bytes / static_cast<int>(2 * sizeof(float));
        output->mixer_->render(reinterpret_cast<float*>(stream), frames, steadyNowNs());
    }

    SDL_AudioDeviceID device_ = 0;
    bool subsystemUp_ = false;
    std::unique_ptr<Mixer> mixer_;
    std::string description_;
};

}  // namespace

std::unique_ptr<Output> openDeviceOutput(int rate, std::string& error) {
    auto output = std::make_unique<DeviceOutput>();
    if (!output->open(rate, error)) return nullptr;
    return output;
}

}  // namespace audio
