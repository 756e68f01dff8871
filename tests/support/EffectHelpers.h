// Effect test helpers: keys set at time 0 as a project file sets them, an effect made with them,
// one frame of it (RGBA, no GL error) in a 65 degree view `distance` units ahead, the black frame
// a GlFixture clears to, and the bad-input sweep every class goes through.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Effect.h"

using Keys = std::initializer_list<std::pair<const char*, float>>;

// Replaces the key at time 0 of each named track (keeping its interpolation); evaluates nothing.
inline void setKeys(Effect& effect, Keys keys) {
    for (const auto& [name, value] : keys) {
        KeyframeTrack* track = effect.findTrack(name);
        ASSERT_NE(track, nullptr) << name;
        const auto key = track->keys.find(0.0f);
        track->setKey(0.0f, value, key == track->keys.end() ? InterpType::Linear : key->second.interp);
    }
}

template <class E>
std::unique_ptr<E> effectWith(Keys keys, float time = 0.0f) {
    auto effect = std::make_unique<E>();
    effect->init();
    setKeys(*effect, keys);
    effect->updateAllTracks(time);
    return effect;
}

// Sets the keys, evaluates at `time` and renders into the current viewport.
inline void drawWith(Effect& effect, Keys keys, float time = 0.0f) {
    setKeys(effect, keys);
    effect.updateAllTracks(time);
    effect.render();
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

// NaN, infinite, huge (beyond int and unsigned too), negative and zero values in each named
// track in turn (every track when none is named), then in all of them at once but "enabled", two
// frames each; then bad times; then tiny viewports. Nothing may crash, hang or raise a GL error
// (the sanitized build checks the integer conversions, sizes and indices).
inline void expectSurvivesBadInput(Effect& effect, std::vector<std::string> names = {},
                                   std::initializer_list<int> viewportSizes = {0, 1}) {
    float time = 1.0f;
    auto frame = [&](float t, const std::string& what) {
        effect.updateAllTracks(t), effect.render();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << what << " at time " << t;
    };
    if (names.empty())
        for (const ITrack* track : effect.tracks) names.push_back(track->getName());
    const auto sweep = [&](const std::vector<KeyframeTrack*>& tracks, const std::string& what) {
        std::vector<KeyMap> keys;
        for (KeyframeTrack* track : tracks) keys.push_back(track->keys);
        for (float value : {NAN, INFINITY, -INFINITY, 3.0e38f, -3.0e38f, 4.3e9f, -4.3e9f, 1.0e6f, -1.0f, 0.5f, 0.0f}) {
            for (KeyframeTrack* track : tracks) track->setKey(0.0f, value, InterpType::Linear);
            for (int i = 0; i < 2; ++i) frame(time += 0.5f, what + " = " + std::to_string(value));
        }
        for (std::size_t i = 0; i < tracks.size(); ++i) tracks[i]->keys = keys[i];
    };
    std::vector<KeyframeTrack*> all;
    for (const std::string& name : names) {
        KeyframeTrack* track = effect.findTrack(name);
        ASSERT_NE(track, nullptr) << name;
        sweep({track}, name);
        if (name != "enabled") all.push_back(track);
    }
    sweep(all, "every track");
    for (float t : {NAN, INFINITY, -INFINITY, 1.0e30f, -1.0e30f, 2.0f}) frame(t, "bad time");
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (int size : viewportSizes) glViewport(0, 0, size, size), frame(time += 0.5f, "viewport " + std::to_string(size));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}
