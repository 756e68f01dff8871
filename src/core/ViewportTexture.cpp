// ViewportTexture: storage that follows the viewport's size, and the copy of its rectangle.
#include "core/ViewportTexture.h"

#include <GL/gl.h>

ViewportRect currentViewport() {
    GLint v[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, v);
    return {v[0], v[1], v[2], v[3]};
}

ViewportTexture::~ViewportTexture() {
    if (id_ != 0) glDeleteTextures(1, &id_);
}

bool ViewportTexture::fit(int width, int height) {
    if (id_ == 0) glGenTextures(1, &id_);
    glBindTexture(GL_TEXTURE_2D, id_);
    if (width == width_ && height == height_) return false;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const bool rgb = channels_ == Channels::Rgb;
    glTexImage2D(GL_TEXTURE_2D, 0, rgb ? GL_RGB8 : GL_RGBA8, width, height, 0, rgb ? GL_RGB : GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    width_ = width;
    height_ = height;
    return true;
}

void ViewportTexture::copyViewport(const ViewportRect& viewport) {
    if (viewport.empty()) return;
    fit(viewport.width, viewport.height);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, viewport.x, viewport.y, viewport.width, viewport.height);
}
