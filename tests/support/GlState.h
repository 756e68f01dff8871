// A snapshot of the fixed-function GL state that effects must leave as they found it
// (matrices, matrix mode, switches, blending, colour, shading, depth mask, texture binding),
// for "no GL state left behind" tests. Compare two snapshots with ==; describe() names them.
#pragma once

#include <GL/gl.h>

#include <array>
#include <string>
#include <vector>

struct GlState {
    std::array<GLfloat, 16> projection{}, modelview{}, texture{};
    GLint matrixMode = 0, shadeModel = 0, blendSrc = 0, blendDst = 0, boundTexture2D = 0;
    GLint projectionDepth = 0, modelviewDepth = 0, attribDepth = 0;
    GLboolean depthMask = GL_TRUE;
    std::array<GLfloat, 4> colour{};
    std::vector<GLboolean> switches;

    static GlState capture();
    bool operator==(const GlState& other) const;
    // The fields that differ from `other`, for failure messages.
    std::string differences(const GlState& other) const;
};
