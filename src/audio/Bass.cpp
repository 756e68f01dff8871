// The BASS_ call interface over our own parts: a handle table of samples and channels, the
// output chosen at BASS_Init (device, silent clock or manual clock) and the spectrum.
// Positions are bytes of the 16-bit data at the file's rate; a channel is active from its start
// until its audible position reaches the end. Every call comes from the main thread; failures
// are return values plus a log line, and no exception leaves these functions.
// Does not seek, pause, loop or mix effects, and does not load from memory or file ranges.
#include "Bass.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <map>
#include <memory>
#include <string>

#include "BackgroundDecoder.h"
#include "Decoder.h"
#include "Output.h"
#include "PcmBuffer.h"
#include "Spectrum.h"
#include "Voice.h"
#include "base/Logger.h"

using namespace audio;

namespace {

struct Sample {
    std::unique_ptr<PcmBuffer> pcm;
    DWORD channel = 0;  // at most one channel per sample
};

struct Channel {
    // Member order matters: the decoder thread is joined before the data it writes goes away.
    std::unique_ptr<PcmBuffer> ownPcm;  // a stream's data; a sample's channel uses the sample's
    std::unique_ptr<Voice> voice;
    std::unique_ptr<BackgroundDecoder> decoder;
    DWORD sample = 0;  // 0 for a stream
};

struct Library {
    std::unique_ptr<Output> output;
    std::unique_ptr<Spectrum> spectrum;
    std::map<DWORD, Sample> samples;
    std::map<DWORD, Channel> channels;
};

std::unique_ptr<Library> library;
// Never reset, so a handle from before a BASS_Free cannot name something loaded after it.
DWORD lastHandle = 0;

// A stream decodes this much before BASS_StreamCreateFile returns: enough to prove the file
// decodes and to cover the first callbacks, a few milliseconds of work.
constexpr double kStreamHeadSeconds = 0.5;
// How long a spectrum request waits for a background decoder to reach the frames it needs.
constexpr int kSpectrumWaitMs = 1000;

template <class Result, class Body>
Result guarded(const char* function, Result failure, Body body) {
    try {
        return body();
    } catch (const std::exception& e) {
        logLine("Audio: ", function, " failed: ", e.what());
    } catch (...) {
        logLine("Audio: ", function, " failed");
    }
    return failure;
}

DWORD newHandle() {
    do {
        ++lastHandle;
    } while (lastHandle == 0 || library->samples.count(lastHandle) || library->channels.count(lastHandle));
    return lastHandle;
}

Channel* findChannel(DWORD handle) {
    if (!library) return nullptr;
    auto found = library->channels.find(handle);
    return found == library->channels.end() ? nullptr : &found->second;
}

const PcmBuffer& dataOf(const Channel& channel) { return channel.voice->pcm; }

void releaseChannel(DWORD handle) {
    auto found = library->channels.find(handle);
    if (found == library->channels.end()) return;
    library->output->detach(*found->second.voice);
    found->second.decoder.reset();
    library->channels.erase(found);
}

void releaseSample(DWORD handle) {
    auto found = library->samples.find(handle);
    if (found == library->samples.end()) return;
    if (found->second.channel) releaseChannel(found->second.channel);
    library->samples.erase(found);
}

bool started(const Channel& channel) { return channel.voice->generation.load() != 0; }

// The audible frame, unclamped (the manual clock may be before 0 or past the end).
std::int64_t audibleFrame(Channel& channel) {
    return started(channel) ? library->output->audibleFrame(*channel.voice) : 0;
}

std::uint64_t clampedFrame(Channel& channel) {
    const auto length = static_cast<std::int64_t>(dataOf(channel).format().frames);
    return static_cast<std::uint64_t>(std::clamp<std::int64_t>(audibleFrame(channel), 0, length));
}

std::uint64_t bytesPerFrame(const Channel& channel) {
    return static_cast<std::uint64_t>(dataOf(channel).format().channels) * 2;
}

// The checks both loaders share; null and a log line when the request is not one we serve.
const char* requestedPath(const char* function, BOOL mem, const void* file, QWORD offset, QWORD length) {
    if (!library) {
        logLine("Audio: ", function, " before BASS_Init");
        return nullptr;
    }
    if (mem || !file) {
        logLine("Audio: ", function, " supports files only (mem = 0, a path)");
        return nullptr;
    }
    if (offset != 0 || length != 0) {
        logLine("Audio: ", function, " supports whole files only (offset 0, length 0)");
        return nullptr;
    }
    return static_cast<const char*>(file);
}

std::unique_ptr<Decoder> openForLoad(const std::string& path, bool allowMpeg) {
    std::string error;
    auto decoder = openDecoder(path, error, allowMpeg);
    if (!decoder) logLine("Audio: cannot load ", path, ": ", error);
    return decoder;
}

std::unique_ptr<PcmBuffer> bufferFor(const Decoder& decoder, const std::string& path) {
    auto pcm = PcmBuffer::create(decoder.format());
    if (!pcm) logLine("Audio: cannot load ", path, ": no memory for ", decoder.format().frames, " frames");
    return pcm;
}

}  // namespace

BOOL BASS_Init(int device, DWORD freq, DWORD /*flags*/, void* /*win*/, const void* /*clsid*/) {
    return guarded("BASS_Init", BOOL{0}, [&]() -> BOOL {
        if (library) {
            logLine("Audio: BASS_Init refused: the output is already initialised (no BASS_Free)");
            return 0;
        }
        if (device < -1) {
            logLine("Audio: BASS_Init refused: no device ", device);
            return 0;
        }
        auto created = std::make_unique<Library>();
        created->spectrum = std::make_unique<Spectrum>();
        if (!created->spectrum->valid()) {
            logLine("Audio: BASS_Init failed: FFTW could not plan the spectrum");
            return 0;
        }
        const int rate = freq >= 8000 && freq <= 192000 ? static_cast<int>(freq) : 44100;
        switch (outputMode()) {
        case OutputMode::Manual:
            created->output = makeManualOutput();
            logLine("Audio: manual clock output: no sound, positions follow setManualPosition");
            break;
        case OutputMode::Silent:
            created->output = makeSilentOutput();
            logLine("Audio: silent output as requested (DEMO_AUDIO=null or setOutputMode): no sound, "
                    "positions follow the clock");
            break;
        case OutputMode::Device: {
            std::string error;
            created->output = openDeviceOutput(rate, error);
            if (created->output) {
                logLine("Audio: output ", created->output->name());
            } else {
                created->output = makeSilentOutput();
                logLine("Audio: no output device (", error, "); playing silently, positions follow the clock");
            }
            break;
        }
        }
        library = std::move(created);
        return 1;
    });
}

BOOL BASS_Free() {
    return guarded("BASS_Free", BOOL{0}, [&]() -> BOOL {
        if (!library) return 0;
        while (!library->samples.empty()) releaseSample(library->samples.begin()->first);
        while (!library->channels.empty()) releaseChannel(library->channels.begin()->first);
        library.reset();
        return 1;
    });
}

HSAMPLE BASS_SampleLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD /*max*/, DWORD /*flags*/) {
    return guarded("BASS_SampleLoad", HSAMPLE{0}, [&]() -> HSAMPLE {
        const char* requested = requestedPath("BASS_SampleLoad", mem, file, offset, length);
        if (!requested) return 0;
        const std::string path(requested);
        auto decoder = openForLoad(path, false);
        if (!decoder) return 0;
        auto pcm = bufferFor(*decoder, path);
        if (!pcm) return 0;
        if (!decodeInto(*decoder, *pcm, pcm->format().frames)) {
            logLine("Audio: cannot load ", path, ": truncated (", pcm->ready(), " of ", pcm->format().frames,
                    " frames decode)");
            return 0;
        }
        pcm->finish();
        const HSAMPLE handle = newHandle();
        library->samples[handle].pcm = std::move(pcm);
        return handle;
    });
}

HCHANNEL BASS_SampleGetChannel(HSAMPLE handle, BOOL onlynew) {
    return guarded("BASS_SampleGetChannel", HCHANNEL{0}, [&]() -> HCHANNEL {
        if (!library) return 0;
        auto found = library->samples.find(handle);
        if (found == library->samples.end()) return 0;
        Sample& sample = found->second;
        // One channel per sample: asking again gives the same one unless a new one is required.
        if (sample.channel) return onlynew ? 0 : sample.channel;
        auto voice = std::make_unique<Voice>(*sample.pcm);
        if (!library->output->attach(*voice)) {
            logLine("Audio: BASS_SampleGetChannel: the output takes no more channels");
            return 0;
        }
        const HCHANNEL channelHandle = newHandle();
        Channel& channel = library->channels[channelHandle];
        channel.voice = std::move(voice);
        channel.sample = handle;
        sample.channel = channelHandle;
        return channelHandle;
    });
}

BOOL BASS_SampleFree(HSAMPLE handle) {
    return guarded("BASS_SampleFree", BOOL{0}, [&]() -> BOOL {
        if (!library || !library->samples.count(handle)) return 0;
        releaseSample(handle);
        return 1;
    });
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD /*flags*/) {
    // Every stream is pre-scanned (the exact length is known at once), whatever the flags say.
    return guarded("BASS_StreamCreateFile", HSTREAM{0}, [&]() -> HSTREAM {
        const char* requested = requestedPath("BASS_StreamCreateFile", mem, file, offset, length);
        if (!requested) return 0;
        const std::string path(requested);
        auto decoder = openForLoad(path, true);
        if (!decoder) return 0;
        auto pcm = bufferFor(*decoder, path);
        if (!pcm) return 0;
        const auto head = static_cast<std::uint64_t>(kStreamHeadSeconds * pcm->format().rate);
        const bool more = decodeInto(*decoder, *pcm, head);
        if (pcm->ready() == 0) {
            logLine("Audio: cannot load ", path, ": no audio decodes");
            return 0;
        }
        Channel channel;
        channel.ownPcm = std::move(pcm);
        channel.voice = std::make_unique<Voice>(*channel.ownPcm);
        PcmBuffer& data = *channel.ownPcm;
        if (data.ready() == data.format().frames) {
            data.finish();
        } else if (!more) {
            logLine("Audio: ", path, " ends ", data.format().frames - data.ready(),
                    " frames before its announced length; the rest plays as silence");
            data.finish();
        } else {
            channel.decoder = std::make_unique<BackgroundDecoder>();
            if (!channel.decoder->start(std::move(decoder), data, path)) return 0;
        }
        if (!library->output->attach(*channel.voice)) {
            logLine("Audio: BASS_StreamCreateFile: the output takes no more channels");
            return 0;
        }
        const HSTREAM handle = newHandle();
        library->channels.emplace(handle, std::move(channel));
        return handle;
    });
}

BOOL BASS_StreamFree(HSTREAM handle) {
    return guarded("BASS_StreamFree", BOOL{0}, [&]() -> BOOL {
        Channel* channel = findChannel(handle);
        if (!channel || channel->sample != 0) return 0;
        releaseChannel(handle);
        return 1;
    });
}

BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value) {
    return guarded("BASS_ChannelSetAttribute", BOOL{0}, [&]() -> BOOL {
        Channel* channel = findChannel(handle);
        if (!channel || attrib != BASS_ATTRIB_VOL || !std::isfinite(value)) return 0;
        channel->voice->volume.store(std::clamp(value, 0.0f, 1.0f), std::memory_order_relaxed);
        return 1;
    });
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    return guarded("BASS_ChannelPlay", BOOL{0}, [&]() -> BOOL {
        Channel* channel = findChannel(handle);
        if (!channel) return 0;
        const auto length = static_cast<std::int64_t>(dataOf(*channel).format().frames);
        // A playing channel goes on unless a restart is asked for; one that has ended starts over.
        if (!started(*channel) || restart || audibleFrame(*channel) >= length)
            library->output->start(*channel->voice);
        return 1;
    });
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
    return guarded("BASS_ChannelGetPosition", BASS_POSITION_FAILED, [&]() -> QWORD {
        Channel* channel = findChannel(handle);
        if (!channel || mode != BASS_POS_BYTE) return BASS_POSITION_FAILED;
        return clampedFrame(*channel) * bytesPerFrame(*channel);
    });
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
    return guarded("BASS_ChannelGetLength", BASS_POSITION_FAILED, [&]() -> QWORD {
        Channel* channel = findChannel(handle);
        if (!channel || mode != BASS_POS_BYTE) return BASS_POSITION_FAILED;
        return dataOf(*channel).bytes();
    });
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    return guarded("BASS_ChannelBytes2Seconds", -1.0, [&]() -> double {
        Channel* channel = findChannel(handle);
        if (!channel) return -1.0;
        const double bytesPerSecond =
            static_cast<double>(bytesPerFrame(*channel)) * dataOf(*channel).format().rate;
        return static_cast<double>(pos) / bytesPerSecond;
    });
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    return guarded("BASS_ChannelIsActive", BASS_ACTIVE_STOPPED, [&]() -> DWORD {
        Channel* channel = findChannel(handle);
        if (!channel || !started(*channel)) return BASS_ACTIVE_STOPPED;
        const std::int64_t frame = audibleFrame(*channel);
        // A file that changed while it was decoded stops where its own audio ended.
        const auto end = static_cast<std::int64_t>(dataOf(*channel).sourceEnd());
        return frame >= 0 && frame < end ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
    });
}

bool audio::sourceChanged(DWORD handle) {
    return guarded("sourceChanged", false, [&] {
        Channel* channel = findChannel(handle);
        return channel && dataOf(*channel).sourceChanged();
    });
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
    return guarded("BASS_ChannelGetData", BASS_DATA_FAILED, [&]() -> DWORD {
        Channel* channel = findChannel(handle);
        if (!channel || !buffer || length != BASS_DATA_FFT512) return BASS_DATA_FAILED;
        const std::int64_t first = audibleFrame(*channel);
        // A stream still decoding in the background is waited for (briefly), so the spectrum of
        // a given position is always the same: offline rendering depends on it.
        const std::int64_t end = first + Spectrum::kSize;
        if (end > 0) dataOf(*channel).waitUntilReady(static_cast<std::uint64_t>(end), kSpectrumWaitMs);
        library->spectrum->compute(dataOf(*channel), first, static_cast<float*>(buffer));
        return static_cast<DWORD>(Spectrum::kBins * sizeof(float));
    });
}
