// DynamicImage: buffer, skip rule and upload.
#include "core/DynamicImage.h"

#include <bit>
#include <cmath>

#if defined(__SSE__)
#include <immintrin.h>
#endif

#include "core/TextureManager.h"

static_assert(std::endian::native == std::endian::little, "pixels are packed as little-endian RGBA words");

void DynamicImage::create(std::string name, int imageWidth, int imageHeight, std::uint8_t fill) {
    width = imageWidth > 0 ? imageWidth : 0;
    height = imageHeight > 0 ? imageHeight : 0;
    pixels.assign(static_cast<std::size_t>(width) * height * 4, fill);
    textureName = std::move(name);
    lastTime = -1.0f;
}

bool DynamicImage::startFrame(float time) {
    if (time == lastTime) return false;
    lastTime = time;
    return true;
}

void DynamicImage::upload() const {
    TextureManager::instance().updateDynamicTexture(textureName, width, height, pixels.data());
}

void sqrtInPlace(float* values, int count) {
    int i = 0;
#if defined(__SSE__)
    for (; i + 4 <= count; i += 4) _mm_storeu_ps(values + i, _mm_sqrt_ps(_mm_loadu_ps(values + i)));
#endif
    for (; i < count; ++i) values[i] = std::sqrt(values[i]);
}
