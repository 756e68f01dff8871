// Choosing a decoder by content (MPEG frame sync or ID3 tag -> libmpg123, else libsndfile) and
// filling a PcmBuffer from it. Refuses what is not a regular, non-empty file before any library
// sees it, so a directory or an empty file fails with a clear reason.
#include "Decoder.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

namespace audio {

namespace {

// An ID3v2 tag, or an MPEG audio frame header (11 sync bits, a valid layer) at the very start.
bool looksLikeMpeg(const std::array<unsigned char, 4>& head) {
    if (head[0] == 'I' && head[1] == 'D' && head[2] == '3') return true;
    const bool sync = head[0] == 0xFF && (head[1] & 0xE0) == 0xE0;
    const int layer = (head[1] >> 1) & 0x3;  // 0 is reserved (and marks AAC ADTS)
    const int version = (head[1] >> 3) & 0x3;  // 1 is reserved
    return sync && layer != 0 && version != 1;
}

}  // namespace

std::unique_ptr<Decoder> openDecoder(const std::string& path, std::string& error, bool allowMpeg) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        error = "no such file";
        return nullptr;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = "not a regular file";
        return nullptr;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size == 0) {
        error = "empty file";
        return nullptr;
    }
    std::array<unsigned char, 4> head{};
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = "cannot read the file";
            return nullptr;
        }
        in.read(reinterpret_cast<char*>(head.data()), head.size());
    }
    bool isMpeg = looksLikeMpeg(head);
    std::unique_ptr<Decoder> decoder;
    if (!isMpeg) decoder = openSndfileDecoder(path, error, isMpeg);
    if (!decoder && isMpeg) {
        if (!allowMpeg) {
            error = "MPEG audio cannot be loaded as a sample";
            return nullptr;
        }
        return openMpg123Decoder(path, error);
    }
    return decoder;
}

bool decodeInto(Decoder& decoder, PcmBuffer& pcm, std::uint64_t untilFrame) {
    // Pieces of 8192 frames: large enough for the decoders to run at full speed, small enough
    // that readers see progress every few milliseconds.
    constexpr std::uint64_t kPiece = 8192;
    untilFrame = std::min(untilFrame, pcm.format().frames);
    std::uint64_t done = pcm.ready();
    while (done < untilFrame) {
        const auto want = static_cast<std::size_t>(std::min(kPiece, untilFrame - done));
        const std::size_t got = decoder.read(pcm.frame(done), want);
        if (got == 0) return false;
        done += got;
        pcm.publish(done);
    }
    return true;
}

}  // namespace audio
