// Drives an effect with values no sane project holds (NaN, infinities, huge numbers) in each
// named track and as the time, and with an empty and a one-pixel viewport, through update and
// render in the current GL context: nothing may crash, hang or raise a GL error.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <limits>
#include <string>
#include <vector>

#include "core/Effect.h"

inline void expectSurvivesBadInput(Effect& effect, const std::vector<std::string>& trackNames) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float values[] = {nan, kInf, -kInf, 3.0e38f, -3.0e38f, 2.5e9f};
    const float times[] = {nan, kInf, -kInf, 1.0e30f, -1.0e30f, 1.0f};
    for (const std::string& name : trackNames) {
        KeyframeTrack* track = effect.findTrack(name);
        ASSERT_NE(track, nullptr) << name;
        const float normal = track->keys.at(0.0f).value;
        for (float value : values) {
            track->setKey(0.0f, value, InterpType::Linear);
            for (float time : times) {
                effect.updateAllTracks(time);
                effect.render();
                EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << name << " = " << value << " at " << time;
            }
        }
        track->setKey(0.0f, normal, InterpType::Linear);
    }
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (int size : {0, 1, 0}) {
        glViewport(0, 0, size, size);
        effect.updateAllTracks(2.0f);
        effect.render();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "viewport " << size << " x " << size;
    }
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}
