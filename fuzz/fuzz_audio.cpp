// fuzz_audio: bytes as a music file -> the audio library as the player uses it: loaded as a
// sample and as a pre-scanned stream, each channel started on the manual clock, decoded to the
// end, its position, state and spectrum queried at the start, the middle, the end and past it,
// then freed. Invariants checked: positions never pass the length, a channel past its end is not
// playing, and every spectrum bin is a finite number between 0 and 1.
#include <cmath>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "audio/Bass.h"

namespace {

void checkSpectrum(DWORD channel) {
    float bins[256];
    if (BASS_ChannelGetData(channel, bins, BASS_DATA_FFT512) == BASS_DATA_FAILED)
        fuzz::fail("fuzz_audio", "spectrum of a live channel failed");
    for (float bin : bins)
        if (!std::isfinite(bin) || bin < 0.0f || bin > 1.0001f)
            fuzz::fail("fuzz_audio", "spectrum bin " + std::to_string(bin));
}

void exercise(DWORD channel) {
    const QWORD length = BASS_ChannelGetLength(channel, BASS_POS_BYTE);
    if (length == BASS_POSITION_FAILED || length == 0) fuzz::fail("fuzz_audio", "a loaded channel has no length");
    const double seconds = BASS_ChannelBytes2Seconds(channel, length);
    if (!(seconds > 0.0)) fuzz::fail("fuzz_audio", "length in seconds " + std::to_string(seconds));
    BASS_ChannelSetAttribute(channel, BASS_ATTRIB_VOL, 0.5f);
    audio::setManualPosition(0.0);
    BASS_ChannelPlay(channel, 0);
    for (double at : {0.0, seconds * 0.5, seconds - 0.001, seconds, seconds + 1.0}) {
        audio::setManualPosition(at);
        const QWORD position = BASS_ChannelGetPosition(channel, BASS_POS_BYTE);
        if (position == BASS_POSITION_FAILED || position > length)
            fuzz::fail("fuzz_audio", "position " + std::to_string(position) + " of " + std::to_string(length));
        if (at > seconds && BASS_ChannelIsActive(channel) == BASS_ACTIVE_PLAYING)
            fuzz::fail("fuzz_audio", "still playing past the end");
        checkSpectrum(channel);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    audio::setOutputMode(audio::OutputMode::Manual);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::writeScratchFile("music", data, size);
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) fuzz::fail("fuzz_audio", "BASS_Init failed");
    if (const HSAMPLE sample = BASS_SampleLoad(0, path.c_str(), 0, 0, 1, 0)) {
        const HCHANNEL channel = BASS_SampleGetChannel(sample, 0);
        if (!channel) fuzz::fail("fuzz_audio", "a loaded sample gives no channel");
        exercise(channel);
        BASS_SampleFree(sample);
    }
    if (const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_PRESCAN)) {
        exercise(stream);
        BASS_StreamFree(stream);
    }
    BASS_Free();
    return 0;
}
