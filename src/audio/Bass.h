// Our own audio library with the call interface the player was written against:
// handles are 32-bit (0 = failure), positions are bytes of 16-bit interleaved PCM at the
// file's own rate. Decoding: libmpg123 (MP3) and libsndfile (WAV, OGG, FLAC, ...).
// Output: SDL2 audio, a silent clock-driven output (no device, or DEMO_AUDIO=null), or a
// manual clock set by the caller (offline rendering). Spectrum: FFTW3.
// Not thread-safe for callers: every BASS_ call comes from the main thread.
#pragma once

#include <cstdint>

using DWORD = std::uint32_t;
using QWORD = std::uint64_t;
using BOOL = int;
using HSAMPLE = DWORD;
using HSTREAM = DWORD;
using HCHANNEL = DWORD;

constexpr DWORD BASS_STREAM_PRESCAN = 0x20000;
constexpr DWORD BASS_ATTRIB_VOL = 2;
constexpr DWORD BASS_POS_BYTE = 0;
constexpr DWORD BASS_DATA_FFT512 = 0x80000001;
constexpr DWORD BASS_ACTIVE_STOPPED = 0;
constexpr DWORD BASS_ACTIVE_PLAYING = 1;
constexpr DWORD BASS_DATA_FAILED = 0xFFFFFFFF;
constexpr QWORD BASS_POSITION_FAILED = ~QWORD{0};

// device -1 = default. Fails (0) when already initialised without BASS_Free.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid);
BOOL BASS_Free();

// Decodes the whole file at load. mem must be 0 (from file); file is a narrow path.
HSAMPLE BASS_SampleLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD max, DWORD flags);
HCHANNEL BASS_SampleGetChannel(HSAMPLE handle, BOOL onlynew);
BOOL BASS_SampleFree(HSAMPLE handle);

// May decode on a background thread ahead of playback; the length is exact from the start.
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
BOOL BASS_StreamFree(HSTREAM handle);

BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value);
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
// The audible position in bytes (mode BASS_POS_BYTE); BASS_POSITION_FAILED on error.
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
// Length in bytes (mode BASS_POS_BYTE); BASS_POSITION_FAILED on error.
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
// BASS_ACTIVE_PLAYING while playing; BASS_ACTIVE_STOPPED before play and after the end.
DWORD BASS_ChannelIsActive(DWORD handle);
// Only BASS_DATA_FFT512: 256 floats of |X[k]| * 2 / 512 of the 512 frames at the audible
// position (Hann window, channels averaged). Returns bytes written or BASS_DATA_FAILED.
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);

// Extensions of ours, not part of the original interface.
namespace audio {

enum class OutputMode {
    Device,  // SDL2 audio; falls back to Silent when no device opens
    Silent,  // no sound, position follows a steady clock from BASS_ChannelPlay
    Manual,  // no sound, position set by setManualPosition (offline rendering)
};

// Chooses the output for the next BASS_Init. The default is Device, or Silent when the
// environment variable DEMO_AUDIO is "null".
void setOutputMode(OutputMode mode);
OutputMode outputMode();

// Manual mode: the position every channel reports (and plays from) is this time in seconds.
void setManualPosition(double seconds);

// True when the channel's file was truncated or replaced while it was still being decoded: the
// channel then stops playing where the file's audio ran out (BASS_ChannelIsActive).
bool sourceChanged(DWORD handle);

// Full-scale sine centred on a bin reads this magnitude (|X[k]| * 2 / N with a Hann window).
constexpr float kSpectrumScale = 2.0f / 512.0f;

}  // namespace audio
