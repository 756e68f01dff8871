// fuzz_image: bytes as an image file -> the texture store's load path (decode, flip, GL upload)
// in the shared headless context. Invariants checked: a texture that loads has a GL name, a size
// within the store's limit and exactly width x height x 4 bytes of pixels, and it is registered
// once under its key; one that does not load is not registered.
#include <GL/gl.h>

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "core/TextureManager.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::sharedGl();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::writeScratchFile("image", data, size);
    TextureManager& store = TextureManager::instance();
    store.clear();
    const auto texture = store.getTexture(path);
    const auto names = store.textureNames();
    if (!texture) {
        if (!names.empty()) fuzz::fail("fuzz_image", "a failed load registered a name");
        return 0;
    }
    if (texture->id == 0) fuzz::fail("fuzz_image", "a loaded texture has no GL name");
    if (texture->width < 1 || texture->height < 1 || texture->width > TextureManager::kMaxImageSide ||
        texture->height > TextureManager::kMaxImageSide)
        fuzz::fail("fuzz_image", "size " + std::to_string(texture->width) + "x" + std::to_string(texture->height));
    if (texture->pixels.size() != static_cast<std::size_t>(texture->width) * texture->height * 4)
        fuzz::fail("fuzz_image", "pixel buffer does not match the size");
    if (names.size() != 1 || store.getTexture(path) != texture)
        fuzz::fail("fuzz_image", "the texture is not registered exactly once");
    if (glGetError() != GL_NO_ERROR) fuzz::fail("fuzz_image", "the upload raised a GL error");
    store.clear();
    return 0;
}
