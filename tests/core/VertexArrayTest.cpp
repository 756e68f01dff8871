// VertexArray: the same vertices drawn as one array give the same pixels as immediate mode,
// and leave the client state and the current colour as glEnd would.
#include <gtest/gtest.h>

#include <cmath>

#include "core/VertexArray.h"
#include "support/GlFixture.h"

namespace {

struct Immediate {
    void color(float r, float g, float b, float a) { glColor4f(r, g, b, a); }
    void normal(float x, float y, float z) { glNormal3f(x, y, z); }
    void texCoord(float s, float t) { glTexCoord2f(s, t); }
    void vertex(float x, float y, float z = 0.0f) { glVertex3f(x, y, z); }
};

// A fan of coloured triangles with normals that a light along z tells apart.
template <class Sink>
void fan(Sink& s) {
    for (int i = 0; i < 12; ++i) {
        const float a = static_cast<float>(i) * 0.5236f, b = a + 0.5236f;
        s.color(0.1f * static_cast<float>(i % 10), 0.5f, 1.0f - 0.07f * static_cast<float>(i), 1.0f);
        s.normal(std::cos(a), std::sin(a), 0.1f * static_cast<float>(i));
        s.vertex(0.0f, 0.0f, 0.0f);
        s.vertex(0.9f * std::cos(a), 0.9f * std::sin(a), 0.1f);
        s.normal(std::cos(b), std::sin(b), 0.3f);
        s.vertex(0.9f * std::cos(b), 0.9f * std::sin(b), -0.1f);
    }
}

// Additive lines with two coordinates, translucent colours and texture coordinates.
template <class Sink>
void lines(Sink& s) {
    for (int i = 0; i < 40; ++i) {
        const float x = -1.0f + 0.05f * static_cast<float>(i);
        s.color(1.0f, 0.2f, 0.1f * static_cast<float>(i % 7), 0.6f);
        s.texCoord(x, 0.0f);
        s.vertex(x, -0.8f);
        s.vertex(-x, 0.8f);
    }
}

using VertexArrayTest = GlFixture;

TEST_F(VertexArrayTest, DrawsTheSamePixelsAsImmediateModeAndLeavesTheLastColourCurrent) {
    for (GLenum on : {GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL, GL_NORMALIZE}) glEnable(on);
    Immediate immediate;
    glBegin(GL_TRIANGLES);
    fan(immediate);
    glEnd();
    const auto expected = frame();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(0.3f, 0.3f, 0.3f, 0.3f);
    VertexArray array(3, VertexArray::kColor | VertexArray::kNormal);
    for (int pass = 0; pass < 2; ++pass) {  // the second pass reuses the cleared buffers
        array.clear();
        fan(array);
    }
    EXPECT_EQ(array.size(), 36u);
    array.draw(GL_TRIANGLES);
    EXPECT_EQ(frame(), expected);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.1f);  // i = 11: 0.1 * 1
    EXPECT_FLOAT_EQ(colour[2], 1.0f - 0.07f * 11.0f);
    for (GLenum state : {GL_VERTEX_ARRAY, GL_COLOR_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY})
        EXPECT_FALSE(glIsEnabled(state)) << state;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_LINES);
    lines(immediate);
    glEnd();
    const auto expectedLines = frame();
    glClear(GL_COLOR_BUFFER_BIT);
    VertexArray lineArray(2, VertexArray::kColor | VertexArray::kTexCoord);
    lines(lineArray);
    lineArray.draw(GL_LINES);
    EXPECT_EQ(frame(), expectedLines);
}

}  // namespace
