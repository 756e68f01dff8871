// Finishes decoding a stream on its own thread, so creating a stream costs only the scan and
// the first piece however long the file is. The thread stops at the end of the data, or when
// the object is destroyed (which waits for it). When the data runs out early because the file
// was truncated or replaced meanwhile, the buffer is marked so (its source changed) and the
// player ends the music there. Does not decide what to decode or when to play.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "Decoder.h"
#include "PcmBuffer.h"
#include "base/FileIdentity.h"

namespace audio {

class BackgroundDecoder {
public:
    BackgroundDecoder() = default;
    ~BackgroundDecoder();
    BackgroundDecoder(const BackgroundDecoder&) = delete;
    BackgroundDecoder& operator=(const BackgroundDecoder&) = delete;

    // Decodes the rest of `target` from `decoder` on a new thread; `target` must outlive this
    // object. `path` is the file being decoded (compared with its state now when the data runs
    // out early). Returns false (nothing started, decoder dropped) when no thread can be made.
    bool start(std::unique_ptr<Decoder> decoder, PcmBuffer& target, const std::string& path);

private:
    void run(std::unique_ptr<Decoder> decoder, PcmBuffer& target, std::string path, FileIdentity opened);
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

}  // namespace audio
