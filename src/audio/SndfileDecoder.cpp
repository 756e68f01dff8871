// Every format libsndfile reads except MPEG audio (handed to libmpg123 instead): WAV, AIFF,
// OGG/Vorbis, Opus, FLAC, ... read as 16-bit. Integer data comes as libsndfile converts it;
// float-coded data (float and double PCM, Vorbis, Opus) is scaled by 32767, rounded and clipped,
// so every file plays at the level it was made at. A WAV whose data chunk announces more bytes
// than the file holds is refused as truncated, because libsndfile would silently play the
// shorter rest, and one whose header chunks run past its end is refused before libsndfile sees
// it. Does not read files of unknown length (pipes, raw streams).
#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "Decoder.h"

namespace audio {

namespace {

std::uint32_t littleEndian32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Walks the RIFF chunks to the "data" chunk. Sizes 0 and 0xFFFFFFFF are what streaming writers
// leave behind when they never patch the header; those are not counted as truncation.
bool riffDataCutShort(const std::string& path) {
    std::error_code ec;
    const std::uint64_t fileSize = std::filesystem::file_size(path, ec);
    if (ec) return false;
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 12> riff{};
    if (!in.read(reinterpret_cast<char*>(riff.data()), riff.size())) return false;
    if (std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0)
        return false;
    std::uint64_t offset = 12;
    for (int chunk = 0; chunk < 1000 && offset + 8 <= fileSize; ++chunk) {
        std::array<unsigned char, 8> header{};
        in.seekg(static_cast<std::streamoff>(offset));
        if (!in.read(reinterpret_cast<char*>(header.data()), header.size())) return false;
        const std::uint32_t size = littleEndian32(header.data() + 4);
        if (std::memcmp(header.data(), "data", 4) == 0)
            return size != 0 && size != 0xFFFFFFFFu && offset + 8 + size > fileSize;
        offset += 8 + static_cast<std::uint64_t>(size) + (size & 1);
    }
    return false;
}

// False when a chunk before the "data" chunk of a RIFF/WAVE file runs past the end of the file,
// or there is no "data" chunk: libsndfile 1.2.0 can spin for minutes in sf_open on such a header
// (an 81-byte file with an over-long LIST chunk). Other files: true.
bool riffChunksBeforeDataFit(const std::string& path) {
    std::error_code ec;
    const std::uint64_t fileSize = std::filesystem::file_size(path, ec);
    if (ec) return true;
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 12> riff{};
    if (!in.read(reinterpret_cast<char*>(riff.data()), riff.size())) return true;
    if (std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0) return true;
    std::uint64_t offset = 12;
    for (int chunk = 0; chunk < 1000 && offset + 8 <= fileSize; ++chunk) {
        std::array<unsigned char, 8> header{};
        in.seekg(static_cast<std::streamoff>(offset));
        if (!in.read(reinterpret_cast<char*>(header.data()), header.size())) return false;
        if (std::memcmp(header.data(), "data", 4) == 0) return true;
        const std::uint32_t size = littleEndian32(header.data() + 4);
        offset += 8 + static_cast<std::uint64_t>(size) + (size & 1);
        if (offset > fileSize + (size & 1)) return false;
    }
    return false;
}

// Formats whose samples are floats with 1.0 as full scale. libsndfile's own conversion of them
// to 16-bit either truncates them to almost nothing (no scaling) or, with its scaling option,
// divides by the file's peak, which normalises every file to full scale.
bool isFloatCoded(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
        case SF_FORMAT_VORBIS:
        case SF_FORMAT_OPUS:
            return true;
        default:
            return false;
    }
}

// Full scale 1.0 to 32767, rounded to nearest; beyond full scale clips, NaN is silence.
std::int16_t floatToPcm16(float value) {
    const float scaled = value * 32767.0f;
    if (std::isnan(scaled)) return 0;
    if (scaled >= 32767.0f) return 32767;
    if (scaled <= -32768.0f) return -32768;
    return static_cast<std::int16_t>(std::lrint(scaled));
}

class SndfileDecoder final : public Decoder {
public:
    SndfileDecoder(SNDFILE* file, const SF_INFO& info) : file_(file) {
        format_.rate = info.samplerate;
        format_.channels = info.channels;
        format_.frames = static_cast<std::uint64_t>(info.frames);
        if (isFloatCoded(info.format)) floats_.resize(kFloatPiece * static_cast<std::size_t>(info.channels));
    }
    ~SndfileDecoder() override { sf_close(file_); }
    SndfileDecoder(const SndfileDecoder&) = delete;
    SndfileDecoder& operator=(const SndfileDecoder&) = delete;

    std::size_t read(std::int16_t* out, std::size_t maxFrames) override {
        if (floats_.empty()) {
            const sf_count_t got = sf_readf_short(file_, out, static_cast<sf_count_t>(maxFrames));
            return got > 0 ? static_cast<std::size_t>(got) : 0;
        }
        const auto channels = static_cast<std::size_t>(format_.channels);
        std::size_t done = 0;
        while (done < maxFrames) {
            const std::size_t want = std::min(kFloatPiece, maxFrames - done);
            const sf_count_t got = sf_readf_float(file_, floats_.data(), static_cast<sf_count_t>(want));
            if (got <= 0) break;
            const std::size_t samples = static_cast<std::size_t>(got) * channels;
            std::transform(floats_.begin(), floats_.begin() + static_cast<std::ptrdiff_t>(samples),
                           out + done * channels, floatToPcm16);
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

private:
    // Frames per float read: the scratch buffer stays small whatever the caller asks for.
    static constexpr std::size_t kFloatPiece = 1024;
    SNDFILE* file_;
    std::vector<float> floats_;  // empty for integer formats
};

}  // namespace

std::unique_ptr<Decoder> openSndfileDecoder(const std::string& path, std::string& error, bool& isMpeg) {
    isMpeg = false;
    if (!riffChunksBeforeDataFit(path)) {
        error = "not a readable audio file (a WAV chunk runs past the end of the file, or there is no data chunk)";
        return nullptr;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = std::string("not a readable audio file (") + sf_strerror(nullptr) + ")";
        return nullptr;
    }
    const int container = info.format & SF_FORMAT_TYPEMASK;
    if (container == SF_FORMAT_MPEG) {
        isMpeg = true;
        sf_close(file);
        error = "MPEG audio";
        return nullptr;
    }
    if (info.frames <= 0 || info.frames == SF_COUNT_MAX || info.samplerate <= 0 || info.channels <= 0) {
        sf_close(file);
        error = "no audio frames or unknown length";
        return nullptr;
    }
    if (container == SF_FORMAT_WAV && riffDataCutShort(path)) {
        sf_close(file);
        error = "truncated (the data chunk is longer than the file)";
        return nullptr;
    }
    return std::make_unique<SndfileDecoder>(file, info);
}

}  // namespace audio
