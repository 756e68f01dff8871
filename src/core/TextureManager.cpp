// TextureManager: decoding, GL upload, dynamic textures and the name list.
#include "core/TextureManager.h"

#include <GL/gl.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/Platform.h"
#include "core/ImageFileChecks.h"

namespace {

// A new GL texture, bound, linear filtered, with the given wrap mode and level 0 from `rgba`.
GLuint uploadTexture(int width, int height, GLint wrap, const std::uint8_t* rgba) {
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return id;
}

// The whole file, or false when it is no regular file, larger than the decoder takes (an int
// size) or cannot be read to its end.
bool readWholeFile(const std::string& path, std::vector<stbi_uc>& bytes) {
    constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{1} << 30;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    if (std::filesystem::file_size(path, error) > kMaxFileBytes || error) return false;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bool ok = true;
    stbi_uc piece[65536];
    for (;;) {
        const std::size_t got = std::fread(piece, 1, sizeof piece, file);
        bytes.insert(bytes.end(), piece, piece + got);
        if (got < sizeof piece) {
            ok = !std::ferror(file);  // an I/O error is not the end of the file
            break;
        }
    }
    std::fclose(file);
    return ok && !bytes.empty() && bytes.size() <= kMaxFileBytes;
}

// The file's own channels (1 grey, 2 grey + alpha, 3 RGB, 4 RGBA) as RGBA, as the image library
// would convert them. Asking the library for 4 channels instead runs its 8-bit conversion over
// the 16-bit samples of a 16-bit PNM and overflows its buffer, so the expansion is done here.
std::vector<std::uint8_t> toRgba(const stbi_uc* data, int width, int height, int channels) {
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> rgba(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        const stbi_uc* in = data + i * static_cast<std::size_t>(channels);
        std::uint8_t* out = &rgba[i * 4];
        const bool grey = channels < 3;
        out[0] = in[0];
        out[1] = grey ? in[0] : in[1];
        out[2] = grey ? in[0] : in[2];
        out[3] = channels == 2 ? in[1] : channels == 4 ? in[3] : 255;
    }
    return rgba;
}

// No format the image library reads packs more pixels into one byte of file than this (a GIF of
// one colour comes closest, at several thousand); a header that claims more is not believed, so a
// few bytes cannot make the decoder allocate gigabytes.
constexpr double kMaxPixelsPerFileByte = 16384.0;

// How many bytes past the end the check below offers: enough for every byte a raw (uncompressed)
// image of this size could still want, within a bound.
std::size_t paddingFor(std::size_t fileBytes, int width, int height, int channels) {
    constexpr std::size_t kMinPadding = 4096, kMaxPadding = std::size_t{256} << 20;
    const std::size_t raw = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                            static_cast<std::size_t>(channels) * 2;  // 16-bit samples at most
    return std::clamp(raw > fileBytes ? raw - fileBytes : 0, kMinPadding, kMaxPadding);
}

// The file's pixels as 8-bit samples in its own channels, or null. The image library stores a
// 16-bit PNM's big-endian samples as they lie in the file and reads them as native (little-endian)
// numbers, so its 8-bit result would hold the low bytes; for those files the first byte of each
// sample (the high byte) is taken here instead.
stbi_uc* decodeSamples(const stbi_uc* bytes, int size, int& width, int& height, int& channels) {
    const bool pnm = size >= 2 && bytes[0] == 'P' && (bytes[1] == '5' || bytes[1] == '6');
    if (!pnm || !stbi_is_16_bit_from_memory(bytes, size))
        return stbi_load_from_memory(bytes, size, &width, &height, &channels, 0);
    stbi_us* wide = stbi_load_16_from_memory(bytes, size, &width, &height, &channels, 0);
    if (!wide) return nullptr;
    auto* raw = reinterpret_cast<stbi_uc*>(wide);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                              static_cast<std::size_t>(channels);
    for (std::size_t i = 0; i < count; ++i) raw[i] = raw[2 * i];
    return raw;
}

// The image library reads zeros past the end of a file (and for raw data may leave the rest of
// the image unwritten), so it accepts cut-off BMP, TGA, PSD, PNM, HDR and JPEG files with a black,
// grey or random rest. A decode that reads past the end is found by decoding once more with
// non-zero bytes after the end: the results differ only when the decoder used bytes the file does
// not have. Such a file is refused as truncated.
// Returns RGBA, top row first; empty when the file is no image, too large or truncated.
std::vector<std::uint8_t> decodeComplete(const std::vector<stbi_uc>& bytes, int& width, int& height) {
    const auto size = static_cast<int>(bytes.size());
    int channels = 0;
    if (!jpegHuffmanTablesFit(bytes.data(), bytes.size()) || !pnmHeaderNumbersFit(bytes.data(), bytes.size()))
        return {};
    if (!stbi_info_from_memory(bytes.data(), size, &width, &height, &channels) || width <= 0 || height <= 0 ||
        width > TextureManager::kMaxImageSide || height > TextureManager::kMaxImageSide || channels < 1 ||
        channels > 4 ||
        static_cast<double>(width) * height > static_cast<double>(bytes.size()) * kMaxPixelsPerFileByte)
        return {};
    stbi_uc* data = decodeSamples(bytes.data(), size, width, height, channels);
    if (!data) return {};
    std::vector<stbi_uc> padded(bytes);
    padded.resize(bytes.size() + paddingFor(bytes.size(), width, height, channels), 0xA5);
    int paddedWidth = 0, paddedHeight = 0, paddedChannels = 0;
    stbi_uc* check =
        decodeSamples(padded.data(), static_cast<int>(padded.size()), paddedWidth, paddedHeight, paddedChannels);
    const bool usable = channels >= 1 && channels <= 4 && width <= TextureManager::kMaxImageSide &&
                        height <= TextureManager::kMaxImageSide;
    const bool same = usable && check && paddedWidth == width && paddedHeight == height &&
                      paddedChannels == channels &&
                      std::memcmp(check, data, static_cast<std::size_t>(width) * height * channels) == 0;
    stbi_image_free(check);
    std::vector<std::uint8_t> rgba;
    if (same) rgba = toRgba(data, width, height, channels);
    stbi_image_free(data);
    return rgba;
}

// Decodes an image file into RGBA8 with the bottom row first and uploads it; id stays 0 when the
// file is missing, no regular file, unreadable, not an image, too large or truncated.
std::shared_ptr<Texture> loadImageTexture(const std::string& path) {
    auto texture = std::make_shared<Texture>();
    std::vector<stbi_uc> bytes;
    if (!readWholeFile(path, bytes)) return texture;

    int width = 0, height = 0;
    const std::vector<std::uint8_t> image = decodeComplete(bytes, width, height);
    if (image.empty()) return texture;

    const std::size_t row = static_cast<std::size_t>(width) * 4;
    texture->pixels.resize(row * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)  // flip: first stored row = bottom of the image
        std::memcpy(&texture->pixels[row * static_cast<std::size_t>(y)],
                    &image[row * static_cast<std::size_t>(height - 1 - y)], row);
    texture->width = width;
    texture->height = height;

    texture->id = uploadTexture(width, height, GL_REPEAT, texture->pixels.data());
    return texture;
}

std::shared_ptr<Texture> createDynamicTexture(int width, int height) {
    auto texture = std::make_shared<Texture>();
    if (width < 1 || height < 1) return texture;
    texture->width = width;
    texture->height = height;
    const std::vector<std::uint8_t> zeros(static_cast<std::size_t>(width) * height * 4, 0);  // transparent black
    texture->id = uploadTexture(width, height, GL_CLAMP, zeros.data());
    return texture;
}

std::string replaceBackslashes(std::string text) {
    for (char& c : text)
        if (c == '\\') c = '/';
    return text;
}

}  // namespace

Texture::~Texture() {
    if (id != 0) glDeleteTextures(1, &id);
}

TextureManager& TextureManager::instance() {
    static TextureManager manager;
    return manager;
}

std::string TextureManager::normalizeTextureKey(const std::string& path) {
    std::string p = replaceBackslashes(path);
    std::string d = replaceBackslashes(getProgramDirectory());
    if (d.size() > p.size()) return p;
    std::size_t at = p.find(d);
    if (at == std::string::npos) return p;
    std::string rest = p.substr(at + d.size());
    if (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
    return rest;
}

std::shared_ptr<Texture> TextureManager::getTexture(const std::string& name) {
    if (name.empty()) return nullptr;
    if (name[0] == '*') {
        auto found = textures_.find(name);
        return found == textures_.end() ? nullptr : found->second;
    }
    std::string key = normalizeTextureKey(name);
    auto found = textures_.find(key);
    if (found != textures_.end()) return found->second;
    std::shared_ptr<Texture> texture = loadImageTexture(name);
    if (texture->id == 0) return nullptr;
    textures_.emplace(key, texture);
    names_.push_back(key);
    return texture;
}

std::shared_ptr<Texture> TextureManager::updateDynamicTexture(const std::string& name, int width, int height,
                                                              const std::uint8_t* rgba) {
    auto found = textures_.find(name);
    if (found == textures_.end()) {
        found = textures_.emplace(name, createDynamicTexture(width, height)).first;
        names_.push_back(name);
    }
    const std::shared_ptr<Texture>& texture = found->second;
    if (texture->id != 0 && rgba) {
        glBindTexture(GL_TEXTURE_2D, texture->id);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, texture->width, texture->height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    }
    return texture;
}

void TextureManager::clear() {
    textures_.clear();
    names_.clear();
}
