// Effect test helpers: an effect with keys at time 0, evaluated; one frame of it (RGBA, no GL
// error) in a 65 degree view `distance` units ahead; the black frame a GlFixture clears to.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/Effect.h"

template <class E>
std::unique_ptr<E> effectWith(std::initializer_list<std::pair<const char*, float>> keys, float time = 0.0f) {
    auto effect = std::make_unique<E>();
    effect->init();
    for (const auto& [name, value] : keys) effect->findTrack(name)->setKey(0.0f, value, InterpType::Step);
    effect->updateAllTracks(time);
    return effect;
}

inline std::vector<std::uint8_t> drawInView(Effect& effect, int width, int height, float distance) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(65.0, static_cast<double>(width) / height, 0.1, 250.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -distance);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    effect.render();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

inline std::vector<std::uint8_t> blackFrame(int width, int height) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    for (std::size_t k = 3; k < rgba.size(); k += 4) rgba[k] = 255;
    return rgba;
}
