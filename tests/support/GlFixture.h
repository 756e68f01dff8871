// A gtest fixture with a real headless OpenGL context (EGL surfaceless, llvmpipe here), and the
// design size, effect list and texture store left empty for the next test (while the context
// still lives). GL tests never skip: a context that cannot be made is a failure.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <vector>

#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"
#include "core/TextureManager.h"
#include "platform/HeadlessGl.h"

class GlFixture : public ::testing::Test {
protected:
    explicit GlFixture(int width = 64, int height = 64) : width_(width), height_(height) {}

    void SetUp() override {
        ASSERT_TRUE(gl_.create(width_, height_)) << gl_.error();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        resetProjectGlobals();
    }
    void TearDown() override {
        EffectManager::instance().replaceList({});
        TextureManager::instance().clear();
        resetProjectGlobals();
        gl_.destroy();
    }

    // RGBA of the pixel at (x, y), y counted from the bottom row as GL does.
    std::array<std::uint8_t, 4> pixel(int x, int y) const {
        std::array<std::uint8_t, 4> rgba{};
        glFinish();
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }
    std::vector<std::uint8_t> frame() const { return gl_.readPixelsRgba(); }
    // The RGBA texels of a 2D texture of the given size, as GL holds them.
    static std::vector<std::uint8_t> texels(GLuint texture, int width, int height) {
        std::vector<std::uint8_t> data(static_cast<std::size_t>(width) * height * 4);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, data.data());
        return data;
    }

    HeadlessGl gl_;
    int width_, height_;
};
