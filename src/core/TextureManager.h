// The process-wide store of shared GL textures: image files decoded with stb_image (RGBA8,
// bottom row first) under a normalised path key, and dynamic textures that effects recompute
// and upload every frame under "*...*" names. Effects pick textures by position in the list
// of names, which only grows. Needs a current GL context; main thread only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct Texture {
    Texture() = default;
    ~Texture();  // deletes the GL texture when id is not 0
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    unsigned int id = 0;  // GL name; 0 = not created
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // image textures only: RGBA, bottom row first
};

class TextureManager {
public:
    static TextureManager& instance();

    // An image by path (loaded and registered on first use) or a dynamic texture by "*name*".
    std::shared_ptr<Texture> getTexture(const std::string& name);
    // Creates the dynamic texture on first use (width x height, clamped, linear), then replaces
    // its whole image from `rgba` (at least the creation width x height x 4 bytes).
    std::shared_ptr<Texture> updateDynamicTexture(const std::string& name, int width, int height,
                                                  const std::uint8_t* rgba);
    std::vector<std::string> getTextureNames() const { return names_; }
    // The same list without a copy, for code that only reads it.
    const std::vector<std::string>& textureNames() const { return names_; }

    // "\" becomes "/" and the program directory prefix (up to its first occurrence) is removed.
    static std::string normalizeTextureKey(const std::string& path);

    // Images larger than this on a side are refused.
    static constexpr int kMaxImageSide = 16384;

    // Drops every texture (tests and shutdown; needs the GL context that made them).
    void clear();

private:
    TextureManager() = default;
    std::map<std::string, std::shared_ptr<Texture>> textures_;
    std::vector<std::string> names_;
};
