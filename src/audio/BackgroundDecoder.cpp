// BackgroundDecoder: the decoding thread and its early stop. A file that ends before its
// announced length is padded with silence and logged once; the length never changes. It is
// marked as changed when the file on disk is no longer the one that was opened.
#include "BackgroundDecoder.h"

#include <system_error>

#include "base/Logger.h"

namespace audio {

BackgroundDecoder::~BackgroundDecoder() {
    stop_.store(true, std::memory_order_relaxed);
    if (thread_.joinable()) thread_.join();
}

bool BackgroundDecoder::start(std::unique_ptr<Decoder> decoder, PcmBuffer& target, const std::string& path) {
    try {
        thread_ = std::thread(&BackgroundDecoder::run, this, std::move(decoder), std::ref(target), path,
                              fileIdentity(path));
    } catch (const std::system_error& e) {
        logLine("Audio: cannot start a decoding thread for ", path, ": ", e.what());
        return false;
    }
    return true;
}

void BackgroundDecoder::run(std::unique_ptr<Decoder> decoder, PcmBuffer& target, std::string path,
                            FileIdentity opened) {
    const std::uint64_t total = target.format().frames;
    // One second of audio per step keeps the stop request answered quickly.
    const std::uint64_t step = static_cast<std::uint64_t>(target.format().rate);
    bool more = true;
    while (more && target.ready() < total && !stop_.load(std::memory_order_relaxed))
        more = decodeInto(*decoder, target, target.ready() + step);
    // Stopped early: the stream is being freed and nobody reads the rest, so it is not zeroed
    // (which would touch every page of a long file on the way out).
    if (stop_.load(std::memory_order_relaxed)) return;
    if (target.ready() < total) {
        const FileIdentity now = fileIdentity(path);
        if (now != opened) {
            logLine("Audio: ", path, " changed while playing (", describeChange(opened, now), "); the music ends ",
                    total - target.ready(), " frames early");
            target.markSourceChanged();
        } else {
            logLine("Audio: ", path, " ends ", total - target.ready(), " frames before its announced length; ",
                    "the rest plays as silence");
        }
    }
    target.finish();
}

}  // namespace audio
