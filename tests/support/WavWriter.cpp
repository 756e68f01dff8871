// WavWriter: one sf_open/sf_writef_*/sf_close per file. MP3 data is written as float, because
// libsndfile 1.2.0's MPEG encoder garbles stereo 16-bit writes (mono and float writes are fine).
#include "WavWriter.h"

#include <sndfile.h>

#include <iostream>

namespace {

bool writeFile(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels, int rate,
               int format) {
    const bool asFloat = (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG;
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
    sf_count_t written = 0;
    if (asFloat) {
        std::vector<float> samples(interleaved.begin(), interleaved.end());
        for (float& sample : samples) sample /= 32768.0f;
        written = sf_writef_float(file, samples.data(), frames);
    } else {
        written = sf_writef_short(file, interleaved.data(), frames);
    }
    const bool ok = written == frames;
    if (!ok) std::cerr << "short write to " << path << ": " << sf_strerror(file) << "\n";
    return sf_close(file) == 0 && ok;
}

}  // namespace

bool writeWavFile(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels, int rate) {
    return writeFile(path, interleaved, channels, rate, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
}

bool writeMp3File(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels, int rate) {
    return writeFile(path, interleaved, channels, rate, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
}
