// The bundled demo's soundtrack, synthesised from nothing: 120 BPM in 4/4 (a bar is 2 s), two
// minutes in sections of whole bars: intro (bars 0-7: pad, hats from bar 4), build-up (8-15:
// kick on 1 and 3, then four to the floor, bass, snare from bar 10, a roll and a noise sweep
// into the drop), drop (16-31: kick on every beat, snare on 2 and 4, eighth-note hats, bass),
// breakdown (32-39: pad, arpeggio, light snare, a roll and a sweep), second drop (40-51: the
// groove with sixteenth hats and the arpeggio), outro (52-59: the groove thins out), and a last
// kick. The low, mid and high bands each move with the beat. Deterministic: the same length
// always gives the same samples (own noise generator, no clock, no randomness from outside).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace musicsynth {

constexpr int kSampleRate = 44100;
constexpr double kBeatsPerMinute = 120.0;
constexpr double kDefaultSeconds = 120.0;

// Interleaved stereo 16-bit samples (left, right, left, ...).
std::vector<std::int16_t> renderSoundtrack(double seconds);

// A canonical 44-byte-header PCM WAV file; false when the file cannot be written.
bool writeWav(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels, int sampleRate);

}  // namespace musicsynth
