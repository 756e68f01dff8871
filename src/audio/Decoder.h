// Turns an audio file into 16-bit interleaved PCM at the file's own rate, in pieces.
// The decoder is chosen by the file's content, not its name: MP3 (MPEG audio) goes through
// libmpg123 with gapless decoding and a full scan for the exact length, everything else through
// libsndfile (WAV, OGG, FLAC, ...). The length is exact before the first frame is decoded.
// Does not resample, buffer or play; one decoder is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "PcmBuffer.h"

namespace audio {

class Decoder {
public:
    virtual ~Decoder() = default;
    const PcmFormat& format() const { return format_; }
    // Decodes up to `maxFrames` frames into `out`. Returns the count; 0 = end of data or error.
    virtual std::size_t read(std::int16_t* out, std::size_t maxFrames) = 0;

protected:
    PcmFormat format_;
};

// Null with `error` set when the path is no readable, complete audio file. Samples take no MPEG
// audio (`allowMpeg` false): an MP3 behind a ".wav" name is refused rather than guessed at.
std::unique_ptr<Decoder> openDecoder(const std::string& path, std::string& error, bool allowMpeg = true);

// Decodes into `pcm` until `untilFrame` frames are ready or the decoder runs dry, then publishes.
// Returns false when the decoder ran dry before `untilFrame`.
bool decodeInto(Decoder& decoder, PcmBuffer& pcm, std::uint64_t untilFrame);

// The two back ends behind openDecoder.
std::unique_ptr<Decoder> openMpg123Decoder(const std::string& path, std::string& error);
// Sets `isMpeg` (and returns null) when libsndfile recognises MPEG audio, which libmpg123 decodes
// exactly where libsndfile may cut a VBR file without a header short.
std::unique_ptr<Decoder> openSndfileDecoder(const std::string& path, std::string& error, bool& isMpeg);

}  // namespace audio
