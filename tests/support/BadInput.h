// Drives an effect with NaN, infinite and huge values in each named track and as the time, and
// with an empty and a one-pixel viewport, through update and render in the current GL
// context: nothing may crash, hang or raise a GL error.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <limits>
#include <string>

#include "core/Effect.h"

inline void expectSurvivesBadInput(Effect& effect, std::initializer_list<const char*> trackNames) {
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    auto frame = [&](float time, const std::string& what) {
        effect.updateAllTracks(time), effect.render();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << what << " at " << time;
    };
    for (const char* name : trackNames) {
        KeyframeTrack* track = effect.findTrack(name);
        ASSERT_NE(track, nullptr) << name;
        const Keyframe normal = track->keys.at(0.0f);
        for (float value : {nan, inf, -inf, 3.0e38f, -3.0e38f, 2.5e9f}) {
            track->setKey(0.0f, value, InterpType::Linear);
            for (float time : {nan, inf, -inf, 1.0e30f, -1.0e30f, 1.0f}) frame(time, name + (" = " + std::to_string(value)));
        }
        track->setKey(0.0f, normal.value, normal.interp);
    }
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (int size : {0, 1, 0}) glViewport(0, 0, size, size), frame(2.0f, "viewport " + std::to_string(size));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}
