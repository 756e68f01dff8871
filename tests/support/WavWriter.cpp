// WavWriter: one sf_open/sf_writef_*/sf_close per file. MP3 data is written as float, because
// libsndfile 1.2.0's MPEG encoder garbles stereo 16-bit writes.
#include "WavWriter.h"

#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <iostream>

namespace {

bool writeFile(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels, int rate,
               int format) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::cerr << "cannot write " << path << ": " << sf_strerror(nullptr) << "\n";
        return false;
    }
    const auto frames = static_cast<sf_count_t>(interleaved.size() / static_cast<std::size_t>(channels));
    std::vector<float> asFloat;
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG)
        for (const std::int16_t sample : interleaved) asFloat.push_back(sample / 32768.0f);
    const sf_count_t written = asFloat.empty() ? sf_writef_short(file, interleaved.data(), frames)
                                               : sf_writef_float(file, asFloat.data(), frames);
    if (written != frames) std::cerr << "short write to " << path << ": " << sf_strerror(file) << "\n";
    return sf_close(file) == 0 && written == frames;
}

}  // namespace

bool writeWavFile(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels, int rate) {
    return writeFile(path, interleaved, channels, rate, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
}

bool writeMp3File(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels, int rate) {
    return writeFile(path, interleaved, channels, rate, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
}

bool writeTestWav(const std::string& path, double seconds) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(44100 * seconds) * 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(4000 * std::sin(2 * 3.14159265 * 440.0 * double(i / 2) / 44100));
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    return writeWavFile(path, samples, 2, 44100);
}
