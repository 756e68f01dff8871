// VertexArray: the same vertices drawn as one array give the same pixels as immediate mode,
// and leave the client state and the current colour as glEnd would.
#include <gtest/gtest.h>

#include <cmath>

#include "core/VertexArray.h"
#include "support/GlFixture.h"

namespace {

class VertexArrayTest : public GlFixture {};

// A fan of coloured triangles with normals under a light, then additive coloured lines.
template <class Sink>
void scene(Sink& s) {
    for (int i = 0; i < 12; ++i) {
        const float a = static_cast<float>(i) * 0.5236f, b = a + 0.5236f;
        s.color(0.1f * static_cast<float>(i % 10), 0.5f, 1.0f - 0.07f * static_cast<float>(i), 1.0f);
        s.normal(std::cos(a), std::sin(a), 0.1f * static_cast<float>(i));  // the light comes along z
        s.vertex(0.0f, 0.0f, 0.0f);
        s.vertex(0.9f * std::cos(a), 0.9f * std::sin(a), 0.1f);
        s.normal(std::cos(b), std::sin(b), 0.3f);
        s.vertex(0.9f * std::cos(b), 0.9f * std::sin(b), -0.1f);
    }
}

struct Immediate {
    void color(float r, float g, float b, float a) { glColor4f(r, g, b, a); }
    void normal(float x, float y, float z) { glNormal3f(x, y, z); }
    void vertex(float x, float y, float z) { glVertex3f(x, y, z); }
};

void lightOn() {
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_NORMALIZE);
}

TEST_F(VertexArrayTest, DrawsTheSamePixelsAsImmediateModeAndLeavesTheLastColourCurrent) {
    lightOn();
    Immediate immediate;
    glBegin(GL_TRIANGLES);
    scene(immediate);
    glEnd();
    const auto expected = frame();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(0.3f, 0.3f, 0.3f, 0.3f);
    VertexArray array(3, VertexArray::kColor | VertexArray::kNormal);
    for (int pass = 0; pass < 2; ++pass) {  // the second pass reuses the cleared buffers
        array.clear();
        scene(array);
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
}

TEST_F(VertexArrayTest, TwoCoordinateLinesWithTexCoordsMatchImmediateMode) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    VertexArray array(2, VertexArray::kColor | VertexArray::kTexCoord);
    glBegin(GL_LINES);
    for (int i = 0; i < 40; ++i) {
        const float x = -1.0f + 0.05f * static_cast<float>(i);
        glColor4f(1.0f, 0.2f, 0.1f * static_cast<float>(i % 7), 0.6f);
        array.color(1.0f, 0.2f, 0.1f * static_cast<float>(i % 7), 0.6f);
        glTexCoord2f(x, 0.0f);
        array.texCoord(x, 0.0f);
        glVertex2f(x, -0.8f);
        array.vertex(x, -0.8f);
        glVertex2f(-x, 0.8f);
        array.vertex(-x, 0.8f);
    }
    glEnd();
    const auto expected = frame();
    glClear(GL_COLOR_BUFFER_BIT);
    array.draw(GL_LINES);
    EXPECT_EQ(frame(), expected);
}

}  // namespace
