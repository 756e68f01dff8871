// Writes test audio files through libsndfile from 16-bit interleaved samples: WAV (PCM 16, the
// samples exactly as given) and MP3 (with the LAME header that lets a gapless decoder restore
// the exact length). Each returns false, with the reason on stderr, when it cannot write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

bool writeWavFile(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels, int rate);
bool writeMp3File(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels, int rate);
// A quiet 440 Hz stereo 44.1 kHz WAV of `seconds`, parent folders created: music for a demo.
bool writeTestWav(const std::string& path, double seconds);
