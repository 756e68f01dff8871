// Writes test audio files from 16-bit interleaved samples through libsndfile: WAV (PCM 16, the
// samples exactly as given) and MP3 (libsndfile's LAME encoder, with the LAME header that lets
// a gapless decoder restore the exact length). Does not generate signals.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Both return false (with the reason on stderr) when the file cannot be written.
bool writeWavFile(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels, int rate);
bool writeMp3File(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels, int rate);
