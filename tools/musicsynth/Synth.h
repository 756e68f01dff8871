// The bundled demo's soundtrack, synthesised from nothing: 120 BPM in 4/4, about 60 s, with a
// kick on every beat, a snare on 2 and 4, eighth-note hats, a bass line and a chord pad, so
// the low, mid and high bands each move with the beat. Deterministic: the same sample count
// always gives the same samples (own noise generator, no clock, no randomness from outside).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace musicsynth {

constexpr int kSampleRate = 44100;
constexpr double kBeatsPerMinute = 120.0;
constexpr double kDefaultSeconds = 60.0;

// Interleaved stereo 16-bit samples (left, right, left, ...).
std::vector<std::int16_t> renderSoundtrack(double seconds);

// A canonical 44-byte-header PCM WAV file; false when the file cannot be written.
bool writeWav(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels, int sampleRate);

}  // namespace musicsynth
