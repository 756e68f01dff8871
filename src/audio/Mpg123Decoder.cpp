// MPEG audio through libmpg123: gapless (encoder delay and padding removed per the LAME tag),
// always 16-bit output, and a full frame scan at open so the length is exact from the start.
// A file whose LAME/Info header announces clearly more audio than the scan finds is refused as
// truncated. The compressed file is read into memory first: libmpg123 reads each frame with its
// own small reads, which made the scan of a 5-minute file cost tens of milliseconds in system
// calls. Does not follow format changes inside a file: decoding ends at such a change.
#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "Decoder.h"

namespace audio {

namespace {

// Truncation is only declared when more than two MPEG frames are missing, so a header that is
// off by a frame (as some encoders write them) is not a reason to refuse a file.
constexpr long kTruncationSlack = 2 * 1152;

class Mpg123Decoder final : public Decoder {
public:
    explicit Mpg123Decoder(mpg123_handle* handle) : handle_(handle) {}
    ~Mpg123Decoder() override {
        mpg123_close(handle_);
        mpg123_delete(handle_);
    }
    Mpg123Decoder(const Mpg123Decoder&) = delete;
    Mpg123Decoder& operator=(const Mpg123Decoder&) = delete;

    bool open(const std::string& path, std::string& error);
    std::size_t read(std::int16_t* out, std::size_t maxFrames) override;

private:
    bool load(const std::string& path, std::string& error);
    // libmpg123's reader callbacks over `bytes_`.
    static mpg123_ssize_t readBytes(void* self, void* buffer, std::size_t count);
    static off_t seekBytes(void* self, off_t offset, int whence);

    mpg123_handle* handle_;
    std::vector<unsigned char> bytes_;
    std::size_t position_ = 0;
    bool ended_ = false;
};

bool Mpg123Decoder::load(const std::string& path, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot read the file";
        return false;
    }
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size > 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes_.resize(static_cast<std::size_t>(size));
        ok = std::fread(bytes_.data(), 1, bytes_.size(), file) == bytes_.size();
    }
    std::fclose(file);
    if (!ok) error = "cannot read the file";
    return ok;
}

mpg123_ssize_t Mpg123Decoder::readBytes(void* self, void* buffer, std::size_t count) {
    auto* decoder = static_cast<Mpg123Decoder*>(self);
    const std::size_t available = decoder->bytes_.size() - decoder->position_;
    const std::size_t n = std::min(count, available);
    std::memcpy(buffer, decoder->bytes_.data() + decoder->position_, n);
    decoder->position_ += n;
    return static_cast<mpg123_ssize_t>(n);
}

off_t Mpg123Decoder::seekBytes(void* self, off_t offset, int whence) {
    auto* decoder = static_cast<Mpg123Decoder*>(self);
    const auto size = static_cast<off_t>(decoder->bytes_.size());
    const off_t base = whence == SEEK_SET   ? 0
                       : whence == SEEK_CUR ? static_cast<off_t>(decoder->position_)
                                            : size;
    const off_t target = base + offset;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
    if (target < 0 || target > size) return -1;
    decoder->position_ = static_cast<std::size_t>(target);
    return target;
}

bool Mpg123Decoder::open(const std::string& path, std::string& error) {
    mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    // Offer only 16-bit output, at every rate, mono or stereo: the buffer stores 16-bit data.
    mpg123_format_none(handle_);
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

    if (!load(path, error)) return false;
    if (mpg123_replace_reader_handle(handle_, &Mpg123Decoder::readBytes, &Mpg123Decoder::seekBytes, nullptr) !=
            MPG123_OK ||
        mpg123_open_handle(handle_, this) != MPG123_OK) {
        error = std::string("mpg123 cannot open it: ") + mpg123_strerror(handle_);
        return false;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        channels <= 0) {
        error = "no MPEG audio frames found";
        return false;
    }
    // The LAME/Info header (when present) announces the length before the scan counts it.
    long encoderDelay = -1;
    double unused = 0;
    mpg123_getstate(handle_, MPG123_ENC_DELAY, &encoderDelay, &unused);
    const off_t announced = mpg123_length(handle_);
    if (mpg123_scan(handle_) != MPG123_OK) {
        error = std::string("mpg123 cannot scan it: ") + mpg123_strerror(handle_);
        return false;
    }
    const off_t length = mpg123_length(handle_);
    if (length <= 0) {
        error = "no MPEG audio frames found";
        return false;
    }
    if (encoderDelay >= 0 && announced > length + kTruncationSlack) {
        error = "truncated (the header announces " + std::to_string(announced) +
                " frames, the file holds " + std::to_string(length) + ")";
        return false;
    }
    format_.rate = static_cast<int>(rate);
    format_.channels = channels;
    format_.frames = static_cast<std::uint64_t>(length);
    return true;
}

std::size_t Mpg123Decoder::read(std::int16_t* out, std::size_t maxFrames) {
    const std::size_t frameBytes = static_cast<std::size_t>(format_.channels) * 2;
    const std::size_t wanted = maxFrames * frameBytes;
    auto* target = reinterpret_cast<unsigned char*>(out);
    std::size_t filled = 0;
    int idleCalls = 0;
    while (filled < wanted && !ended_) {
        std::size_t done = 0;
        const int rc = mpg123_read(handle_, target + filled, wanted - filled, &done);
        filled += done;
        if (rc == MPG123_OK) {
            // Guards against a decoder that keeps answering OK without output.
            if (done == 0 && ++idleCalls > 64) ended_ = true;
            continue;
        }
        if (rc == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            mpg123_getformat(handle_, &rate, &channels, &encoding);
            if (rate != format_.rate || channels != format_.channels) ended_ = true;
            continue;
        }
        ended_ = true;  // MPG123_DONE or an error: no more audio
    }
    return filled / frameBytes;
}

}  // namespace

std::unique_ptr<Decoder> openMpg123Decoder(const std::string& path, std::string& error) {
    // Needed by libmpg123 before 1.27, harmless after; once per process.
    static std::once_flag initialised;
    std::call_once(initialised, [] { mpg123_init(); });
    int code = MPG123_OK;
    mpg123_handle* handle = mpg123_new(nullptr, &code);
    if (!handle) {
        error = std::string("mpg123 unavailable: ") + mpg123_plain_strerror(code);
        return nullptr;
    }
    auto decoder = std::make_unique<Mpg123Decoder>(handle);
    if (!decoder->open(path, error)) return nullptr;
    return decoder;
}

}  // namespace audio
