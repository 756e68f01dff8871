// TextureManager: decoding, GL upload, dynamic textures and the name list.
#include "core/TextureManager.h"

#include <GL/gl.h>
#include <stb_image.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/Platform.h"

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

// Decodes an image file into RGBA8 with the bottom row first and uploads it; id stays 0 on failure.
std::shared_ptr<Texture> loadImageTexture(const std::string& path) {
    auto texture = std::make_shared<Texture>();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return texture;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return texture;

    int width = 0, height = 0, channels = 0;
    bool sizeOk = stbi_info_from_file(file, &width, &height, &channels) && width > 0 && height > 0 &&
                  width <= TextureManager::kMaxImageSide && height <= TextureManager::kMaxImageSide;
    stbi_uc* data = sizeOk ? stbi_load_from_file(file, &width, &height, &channels, 4) : nullptr;
    std::fclose(file);
    if (!data) return texture;

    const std::size_t row = static_cast<std::size_t>(width) * 4;
    texture->pixels.resize(row * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)  // flip: first stored row = bottom of the image
        std::memcpy(&texture->pixels[row * static_cast<std::size_t>(y)],
                    data + row * static_cast<std::size_t>(height - 1 - y), row);
    stbi_image_free(data);
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
